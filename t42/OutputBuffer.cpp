#include "OutputBuffer.h"

#include "../platform/Platform.h"

#include <new>

namespace t42 {

OutputBuffer::~OutputBuffer() { platform::FreeLarge(data_, capacity_); }

void OutputBuffer::Expand(std::size_t needed) {
    if (sink_ && size_ != 0) {
        needed -= size_;
        Flush();
        if (needed <= capacity_)
            return;
    }
    std::size_t doubled = capacity_ * 2;
    Resize(RoundToStep(needed > doubled ? needed : doubled));
}

// A new block rather than realloc: a program is sized in advance, so this
// runs about once, and a large block's pages are made ready in few steps.
void OutputBuffer::Resize(std::size_t capacity) {
    char* moved = static_cast<char*>(platform::AllocateLarge(capacity));
    if (!moved)
        throw std::bad_alloc();
    if (size_ != 0)
        std::memcpy(moved, data_, size_);
    platform::FreeLarge(data_, capacity_);
    data_ = moved;
    capacity_ = capacity;
}

} // namespace t42
