#include "RunLedger.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

using Slot = RunLedgerLayout::Slot;
static_assert(std::atomic<Slot>::is_always_lock_free, "the slots are shared between processes");
static_assert(sizeof(std::atomic<Slot>) == sizeof(Slot), "the slots are laid out as the file is");

namespace {
// Whether process id still runs (a process of another user counts as running).
bool stillRuns(int processId) {
    return ::kill(processId, 0) == 0 || errno == EPERM;
}
} // namespace

RunLedger& RunLedger::process() {
    // Never destroyed: engines may close documents during static destruction.
    static auto* ledger = new RunLedger(std::getenv(Environment::kRunLedger));
    return *ledger;
}

RunLedger::RunLedger(const char* path, int processId)
    : m_processId(processId > 0 ? processId : int(::getpid())) {
    if (!path || !*path)
        return;
    const int fd = ::open(path, O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    // The command makes the file this long and zeroed.
    if (::lseek(fd, 0, SEEK_END) >= off_t(RunLedgerLayout::kBytes)) {
        void* map =
            ::mmap(nullptr, RunLedgerLayout::kBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED)
            m_slots = static_cast<std::atomic<Slot>*>(map);
    }
    ::close(fd);
}

RunLedger::~RunLedger() {
    if (m_slots)
        ::munmap(m_slots, RunLedgerLayout::kBytes);
}

// Read at every band a thread takes: a few hundred loads, no system call.
int RunLedger::busyServers() const {
    if (!m_slots)
        return 1;
    int busy = 0;
    for (int i = 0; i < RunLedgerLayout::kSlots; ++i)
        busy += m_slots[i].load(std::memory_order_relaxed) != 0 ? 1 : 0;
    return std::max(1, busy);
}

void RunLedger::enter() {
    std::lock_guard lock(m_mutex);
    if (m_open++ > 0 || !m_slots)
        return;
    for (int i = 0; i < RunLedgerLayout::kSlots; ++i) {
        Slot holder = m_slots[i].load(std::memory_order_relaxed);
        if (holder != 0 && holder != m_processId && !stillRuns(holder))
            m_slots[i].compare_exchange_strong(holder, 0, std::memory_order_relaxed);
    }
    for (int i = 0; i < RunLedgerLayout::kSlots && m_slot < 0; ++i) {
        Slot empty = 0;
        if (m_slots[i].compare_exchange_strong(empty, m_processId, std::memory_order_relaxed))
            m_slot = i;
    }
}

void RunLedger::leave() {
    std::lock_guard lock(m_mutex);
    if (m_open == 0 || --m_open > 0 || m_slot < 0)
        return;
    m_slots[m_slot].store(0, std::memory_order_relaxed);
    m_slot = -1;
}

int renderBudget() {
    static const int budget = [] {
        bool ok = false;
        const int wanted = qEnvironmentVariableIntValue(Environment::kRenderThreads, &ok);
        return ok && wanted >= 1 ? std::min(wanted, 64)
                                 : std::max(1, int(std::thread::hardware_concurrency()));
    }();
    return budget;
}

int allowedRenderThreads() {
    return std::max(1, renderBudget() / RunLedger::process().busyServers());
}
