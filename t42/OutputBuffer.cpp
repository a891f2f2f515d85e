#include "OutputBuffer.h"

#include <new>

namespace t42 {

void OutputBuffer::Resize(std::size_t capacity) {
    void* moved = std::realloc(data_, capacity);
    if (!moved)
        throw std::bad_alloc();
    data_ = static_cast<char*>(moved);
    capacity_ = capacity;
}

} // namespace t42
