#pragma once

extern "C" {
#include <mupdf/fitz.h>
}

#include <atomic>
#include <cstddef>

// The memory one component server may use for rendering. By default a quarter of the physical
// memory, at most 1 GiB, so that a desktop stays usable whatever the PDF; a command running
// several servers side by side divides it between them. Environment::kMemoryMegabytes sets the
// whole amount in MiB instead; Environment::kMemoryShare (set by the command to its number of
// jobs) is the number of servers sharing it.
struct MemoryBudget {
    static std::size_t serverBytes();
    // What is left for MuPDF once the server's own band buffers and code are set aside.
    static std::size_t renderBytes(std::size_t serverBytes);
};

// The allocator handed to MuPDF: it counts what MuPDF holds and refuses any allocation that
// would take it past the cap. MuPDF then empties its caches and, if that is not enough,
// throws FZ_ERROR_MEMORY, which fails only the page being rendered.
class CappedAllocator {
public:
    // The one allocator of this process, capped at the render budget.
    static CappedAllocator& process();

    explicit CappedAllocator(std::size_t cap);
    CappedAllocator(const CappedAllocator&) = delete;
    CappedAllocator& operator=(const CappedAllocator&) = delete;

    fz_alloc_context* context() { return &m_context; }
    std::size_t cap() const { return m_cap; }
    std::size_t used() const { return m_used.load(std::memory_order_relaxed); }

private:
    static void* allocate(void* self, std::size_t size);
    static void* reallocate(void* self, void* old, std::size_t size);
    static void release(void* self, void* block);

    std::size_t m_cap;
    std::atomic<std::size_t> m_used{0};
    fz_alloc_context m_context;
};
