#include "platform/LargeMemory.h"

#include <sys/mman.h>

void LargeBlockRelease::operator()(unsigned char* block) const {
    if (block)
        ::munmap(block, bytes);
}

LargeBlock AllocateLargeBlock(std::size_t bytes) {
    if (bytes == 0)
        bytes = 1;
    // Anonymous pages read as zeros; they are only made when first written.
    void* block =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return LargeBlock(nullptr, {bytes});
    // Advice only: without huge pages the table works the same, a little slower.
    ::madvise(block, bytes, MADV_HUGEPAGE);
    return LargeBlock(static_cast<unsigned char*>(block), {bytes});
}
