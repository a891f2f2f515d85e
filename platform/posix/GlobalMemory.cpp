// Global memory blocks for hosts on POSIX, which has no GlobalAlloc: a small
// header with the size before the zeroed bytes.
#include "../Platform.h"

#include <cstdlib>

namespace platform {

namespace {

struct alignas(16) BlockHeader {
    std::size_t size;
    unsigned lockCount;
};

BlockHeader* HeaderOf(GlobalHandle block) { return static_cast<BlockHeader*>(block); }

} // namespace

GlobalHandle GlobalAllocZeroed(std::size_t size) {
    if (size > static_cast<std::size_t>(-1) - sizeof(BlockHeader))
        return nullptr;
    void* memory = std::calloc(1, sizeof(BlockHeader) + size);
    if (!memory)
        return nullptr;
    HeaderOf(memory)->size = size;
    return memory;
}

void* GlobalLockBlock(GlobalHandle block) {
    if (!block)
        return nullptr;
    ++HeaderOf(block)->lockCount;
    return HeaderOf(block) + 1;
}

void GlobalUnlockBlock(GlobalHandle block) {
    if (block && HeaderOf(block)->lockCount > 0)
        --HeaderOf(block)->lockCount;
}

std::size_t GlobalBlockSize(GlobalHandle block) { return block ? HeaderOf(block)->size : 0; }

void GlobalFreeBlock(GlobalHandle block) { std::free(block); }

} // namespace platform
