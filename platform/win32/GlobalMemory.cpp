// Global memory blocks are real HGLOBALs, so a host can lock, size and free
// what T42GetFontData hands it with the Win32 functions.
#include "../Platform.h"

#include <windows.h>

#include <cstdlib>

namespace platform {

GlobalHandle GlobalAllocZeroed(std::size_t size) { return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size); }

void* GlobalLockBlock(GlobalHandle block) { return block ? GlobalLock(block) : nullptr; }

void GlobalUnlockBlock(GlobalHandle block) {
    if (block)
        GlobalUnlock(block);
}

std::size_t GlobalBlockSize(GlobalHandle block) { return block ? GlobalSize(block) : 0; }

void GlobalFreeBlock(GlobalHandle block) {
    if (block)
        GlobalFree(block);
}

void* AllocateLarge(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

void FreeLarge(void* block, std::size_t) { std::free(block); }

} // namespace platform
