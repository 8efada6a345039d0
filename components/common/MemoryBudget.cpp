#include "MemoryBudget.h"

#include "protocol/Environment.h"

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstdlib>

#include <malloc.h>
#include <unistd.h>

namespace {
constexpr std::size_t kMiB = std::size_t(1) << 20;
constexpr std::size_t kDefaultLargest = std::size_t(1) << 30;
// Band buffers of the rendering threads, compressed bands waiting, the code and Qt.
constexpr std::size_t kServerReserve = 48 * kMiB;
constexpr std::size_t kSmallestRender = 16 * kMiB;

std::size_t physicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? std::size_t(pages) * std::size_t(pageSize)
                                     : 4 * kDefaultLargest;
}
} // namespace

std::size_t MemoryBudget::serverBytes() {
    bool ok = false;
    const qint64 megabytes = qEnvironmentVariable(Environment::kMemoryMegabytes).toLongLong(&ok);
    const std::size_t total = ok && megabytes > 0 ? std::size_t(megabytes) * kMiB
                                                  : std::min(physicalMemory() / 4, kDefaultLargest);
    const int share = qEnvironmentVariableIntValue(Environment::kMemoryShare, &ok);
    return total / std::size_t(ok && share > 1 ? share : 1);
}

std::size_t MemoryBudget::renderBytes(std::size_t serverBytes) {
    return serverBytes > kServerReserve + kSmallestRender
               ? serverBytes - kServerReserve
               : std::max(serverBytes / 2, std::size_t(1));
}

CappedAllocator& CappedAllocator::process() {
    // Never destroyed: MuPDF contexts may be dropped during static destruction.
    static auto* allocator =
        new CappedAllocator(MemoryBudget::renderBytes(MemoryBudget::serverBytes()));
    return *allocator;
}

CappedAllocator::CappedAllocator(std::size_t cap)
    : m_cap(cap), m_context{this, allocate, reallocate, release} {}

// Counts the usable size of each block, so that frees need no bookkeeping of their own. Threads
// allocating at the same moment may pass the cap by their last blocks; nothing more.
void* CappedAllocator::allocate(void* self, std::size_t size) {
    auto* a = static_cast<CappedAllocator*>(self);
    if (size > a->m_cap || a->used() > a->m_cap - size)
        return nullptr;
    void* block = std::malloc(size);
    if (block)
        a->m_used.fetch_add(malloc_usable_size(block), std::memory_order_relaxed);
    return block;
}

void* CappedAllocator::reallocate(void* self, void* old, std::size_t size) {
    if (!old)
        return allocate(self, size);
    if (size == 0) {
        release(self, old);
        return nullptr;
    }
    auto* a = static_cast<CappedAllocator*>(self);
    const std::size_t before = malloc_usable_size(old);
    if (size > before && (size - before > a->m_cap || a->used() > a->m_cap - (size - before)))
        return nullptr;
    void* block = std::realloc(old, size);
    if (block) {
        a->m_used.fetch_sub(before, std::memory_order_relaxed);
        a->m_used.fetch_add(malloc_usable_size(block), std::memory_order_relaxed);
    }
    return block;
}

void CappedAllocator::release(void* self, void* block) {
    if (!block)
        return;
    static_cast<CappedAllocator*>(self)->m_used.fetch_sub(malloc_usable_size(block),
                                                          std::memory_order_relaxed);
    std::free(block);
}
