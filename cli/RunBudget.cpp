#include "cli/RunBudget.h"

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>

#include <sys/ipc.h>
#include <sys/sem.h>

namespace {
// The names the servers read (components/common: WorkerTokens, MemoryBudget).
constexpr const char* kPoolVariable = "PAGEKILN_WORKER_POOL";
constexpr const char* kThreadsVariable = "PAGEKILN_RENDER_THREADS";
constexpr const char* kMemoryShareVariable = "PAGEKILN_MEMORY_SHARE";
} // namespace

RunBudget::RunBudget(int jobs) {
    jobs = std::max(1, jobs);
    // A server may start as many helpers as the run has tokens: alone, it gets them all.
    if (!qEnvironmentVariableIsSet(kThreadsVariable))
        qputenv(kThreadsVariable, QByteArray::number(jobs));
    if (!qEnvironmentVariableIsSet(kMemoryShareVariable))
        qputenv(kMemoryShareVariable, QByteArray::number(jobs));
    m_pool = semget(IPC_PRIVATE, 1, IPC_CREAT | 0600);
    if (m_pool >= 0 && semctl(m_pool, 0, SETVAL, jobs) != 0) {
        semctl(m_pool, 0, IPC_RMID);
        m_pool = -1;
    }
    // Without a pool each server shares the processors between its own threads only.
    if (m_pool >= 0)
        qputenv(kPoolVariable, QByteArray::number(m_pool));
    else
        qunsetenv(kPoolVariable);
}

RunBudget::~RunBudget() {
    if (m_pool >= 0)
        semctl(m_pool, 0, IPC_RMID);
    qunsetenv(kPoolVariable);
}
