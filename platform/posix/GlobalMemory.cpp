// Global memory blocks for hosts on POSIX, which has no GlobalAlloc: a small
// header with the size before the zeroed bytes. And the large blocks of
// font files and programs, mapped whole.
#include "../Platform.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

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

namespace {

// Below this a block comes from malloc; under AddressSanitizer every block
// does, so that reading past a font file's end is caught at any size.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kMappedFrom = static_cast<std::size_t>(-1);
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr std::size_t kMappedFrom = static_cast<std::size_t>(-1);
#else
constexpr std::size_t kMappedFrom = 256 * 1024;
#endif
#else
constexpr std::size_t kMappedFrom = 256 * 1024;
#endif

// The first bytes of a small system file, zero-terminated; empty when it
// cannot be read.
template <std::size_t N> char* ReadSystemFile(const char* path, char (&text)[N]) {
    text[0] = 0;
    int descriptor = open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return text;
    ssize_t count = read(descriptor, text, N - 1);
    close(descriptor);
    text[count > 0 ? count : 0] = 0;
    return text;
}

struct HugePagePolicy {
    std::size_t size = 0; // of a huge page; 0: none to be had
    unsigned order = 0;   // of its size in pages
    bool mayStall = true; // whether a fault on a region that asked for
                          // them compacts memory when none is free
};

const HugePagePolicy& Policy() {
    static const HugePagePolicy policy = [] {
        HugePagePolicy found;
        char text[256];
        const char* enabled = ReadSystemFile("/sys/kernel/mm/transparent_hugepage/enabled", text);
        if (!std::strstr(enabled, "[always]") && !std::strstr(enabled, "[madvise]"))
            return found;
        long pageSize = sysconf(_SC_PAGESIZE);
        std::size_t size = std::strtoul(ReadSystemFile("/sys/kernel/mm/transparent_hugepage/hpage_pmd_size", text),
                                        nullptr, 10);
        if (pageSize <= 0 || size <= static_cast<std::size_t>(pageSize))
            return found;
        while ((static_cast<std::size_t>(pageSize) << found.order) < size)
            ++found.order;
        found.size = size;
        // "defer" and "never" leave compaction to the kernel's own threads.
        const char* defrag = ReadSystemFile("/sys/kernel/mm/transparent_hugepage/defrag", text);
        found.mayStall = !std::strstr(defrag, "[defer]") && !std::strstr(defrag, "[never]");
        return found;
    }();
    return policy;
}

// Whether the kernel's free lists hold `count` blocks of a huge page's
// size or larger, so that faulting them in needs no compaction.
bool HugePagesFree(std::size_t count, unsigned order) {
    char text[4096];
    std::size_t free = 0;
    for (char* line = ReadSystemFile("/proc/buddyinfo", text); *line;) {
        // "Node 0, zone   Normal   5319  11507 ..." : free blocks by order.
        char* zone = std::strstr(line, "zone");
        char* end = std::strchr(line, '\n');
        if (!zone || (end && zone > end))
            break;
        char* at = zone + 4;
        while (*at == ' ')
            ++at;
        while (*at && *at != ' ')
            ++at; // the zone's name
        for (unsigned blockOrder = 0; blockOrder < 64; ++blockOrder) {
            char* next = nullptr;
            unsigned long blocks = std::strtoul(at, &next, 10);
            if (next == at || (end && next > end))
                break;
            if (blockOrder >= order)
                free += blocks << (blockOrder - order);
            at = next;
        }
        if (!end)
            break;
        line = end + 1;
    }
    return free >= count;
}

std::size_t MappedLength(std::size_t size) {
    std::size_t pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return (size + pageSize - 1) / pageSize * pageSize;
}

} // namespace

void* AllocateLarge(std::size_t size) {
    if (size < kMappedFrom)
        return std::malloc(size == 0 ? 1 : size);
    std::size_t length = MappedLength(size);
    const HugePagePolicy& huge = Policy();
    if (huge.size != 0 && length >= huge.size && length <= static_cast<std::size_t>(-1) - huge.size &&
        (!huge.mayStall || HugePagesFree(length / huge.size, huge.order))) {
        // Huge pages fill only the aligned stretches of a mapping: map a
        // huge page more and give back the ends.
        void* mapped = mmap(nullptr, length + huge.size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped != MAP_FAILED) {
            char* start = static_cast<char*>(mapped);
            char* aligned = reinterpret_cast<char*>(
                (reinterpret_cast<std::uintptr_t>(start) + huge.size - 1) & ~(std::uintptr_t(huge.size) - 1));
            if (aligned != start)
                munmap(start, static_cast<std::size_t>(aligned - start));
            std::size_t tail = static_cast<std::size_t>(start + length + huge.size - (aligned + length));
            if (tail != 0)
                munmap(aligned + length, tail);
            madvise(aligned, length, MADV_HUGEPAGE);
            madvise(aligned, length, MADV_POPULATE_WRITE); // older kernels fault on first use
            return aligned;
        }
    }
    void* mapped = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    return mapped == MAP_FAILED ? nullptr : mapped;
}

void FreeLarge(void* block, std::size_t size) {
    if (size < kMappedFrom)
        std::free(block);
    else if (block)
        munmap(block, MappedLength(size));
}

} // namespace platform
