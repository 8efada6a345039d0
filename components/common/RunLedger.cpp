#include "RunLedger.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

static_assert(std::atomic<int>::is_always_lock_free, "the count is shared between processes");

RunLedger& RunLedger::process() {
    // Never destroyed: engines may close documents during static destruction.
    static auto* ledger = new RunLedger(std::getenv(kVariable));
    return *ledger;
}

RunLedger::RunLedger(const char* path) {
    if (!path || !*path)
        return;
    const int fd = ::open(path, O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    // The command makes the file at least one page long and zeroed.
    if (::lseek(fd, 0, SEEK_END) >= off_t(sizeof(std::atomic<int>))) {
        void* map =
            ::mmap(nullptr, sizeof(std::atomic<int>), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED)
            m_shared = static_cast<std::atomic<int>*>(map);
    }
    ::close(fd);
}

RunLedger::~RunLedger() {
    if (m_shared)
        ::munmap(m_shared, sizeof(std::atomic<int>));
}

int RunLedger::busyServers() const {
    return m_shared ? std::max(1, m_shared->load(std::memory_order_relaxed)) : 1;
}

void RunLedger::enter() {
    std::lock_guard lock(m_mutex);
    if (m_open++ == 0 && m_shared)
        m_shared->fetch_add(1, std::memory_order_relaxed);
}

void RunLedger::leave() {
    std::lock_guard lock(m_mutex);
    if (m_open > 0 && --m_open == 0 && m_shared)
        m_shared->fetch_sub(1, std::memory_order_relaxed);
}

int renderBudget() {
    static const int budget = [] {
        bool ok = false;
        const int wanted = qEnvironmentVariableIntValue("PAGEKILN_RENDER_THREADS", &ok);
        return ok && wanted >= 1 ? std::min(wanted, 64)
                                 : std::max(1, int(std::thread::hardware_concurrency()));
    }();
    return budget;
}

int allowedRenderThreads() {
    return std::max(1, renderBudget() / RunLedger::process().busyServers());
}
