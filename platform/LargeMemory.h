#pragma once

#include <cstddef>
#include <memory>

// A large block of zeroed memory for a table read at random, such as the keys of a list of
// ten million paths: the system is asked to back it with huge pages where it can, so that
// random reads do not also miss the processor's cache of page addresses at every step. Only
// the pages touched take memory.
struct LargeBlockRelease {
    std::size_t bytes = 0;
    void operator()(unsigned char* block) const;
};
using LargeBlock = std::unique_ptr<unsigned char[], LargeBlockRelease>;

// Empty when the memory cannot be had.
LargeBlock AllocateLargeBlock(std::size_t bytes);
