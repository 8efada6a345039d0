#include "WorkerTokens.h"

#include <QtGlobal>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <sys/sem.h>

struct WorkerTokens::Local {
    std::mutex mutex;
    std::condition_variable freed;
    int available = 0;
    std::atomic<bool> poolGone{false};
};

namespace {
int processors() {
    return std::max(1, int(std::thread::hardware_concurrency()));
}
} // namespace

WorkerTokens& WorkerTokens::shared() {
    static WorkerTokens tokens;
    return tokens;
}

WorkerTokens::WorkerTokens() : m_local(new Local) {
    bool ok = false;
    const int wanted = qEnvironmentVariableIntValue(kThreadsVariable, &ok);
    m_threads = ok && wanted >= 1 ? std::min(wanted, 64) : processors();
    const int pool = qEnvironmentVariableIntValue(kPoolVariable, &ok);
    if (ok && pool >= 0 && semctl(pool, 0, GETVAL) >= 0)
        m_pool = pool;
    m_local->available = m_threads;
}

bool WorkerTokens::poolUsable() const {
    return m_pool >= 0 && !m_local->poolGone.load(std::memory_order_relaxed);
}

// SEM_UNDO: the kernel gives back the tokens of a server that dies or is killed holding them,
// so a crash never shrinks the pool of the rest of the run.
bool WorkerTokens::acquire() {
    if (poolUsable()) {
        sembuf take{0, -1, SEM_UNDO};
        int result;
        do
            result = semop(m_pool, &take, 1);
        while (result != 0 && errno == EINTR);
        if (result == 0)
            return true;
        // The command removed its pool (it is ending): go on with this process's own tokens.
        m_local->poolGone = true;
    }
    std::unique_lock lock(m_local->mutex);
    m_local->freed.wait(lock, [&] { return m_local->available > 0; });
    --m_local->available;
    return false;
}

void WorkerTokens::release(bool fromPool) {
    if (fromPool) {
        sembuf give{0, 1, SEM_UNDO};
        if (semop(m_pool, &give, 1) != 0)
            m_local->poolGone = true;
        return;
    }
    {
        std::lock_guard lock(m_local->mutex);
        ++m_local->available;
    }
    m_local->freed.notify_one();
}
