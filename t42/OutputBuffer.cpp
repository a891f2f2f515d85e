#include "OutputBuffer.h"

#include <new>

namespace t42 {

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

void OutputBuffer::Resize(std::size_t capacity) {
    void* moved = std::realloc(data_, capacity);
    if (!moved)
        throw std::bad_alloc();
    data_ = static_cast<char*>(moved);
    capacity_ = capacity;
}

} // namespace t42
