// The in-memory output of a conversion: the font program as 8-bit text.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

namespace t42 {

class OutputBuffer {
public:
    OutputBuffer() = default;
    ~OutputBuffer() { std::free(data_); }
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    const char* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    std::size_t Capacity() const { return capacity_; }
    std::string Text() const { return std::string(data_ ? data_ : "", size_); }

    void Append(const char* text, std::size_t length) {
        if (length == 0)
            return;
        std::memcpy(Grow(length), text, length);
    }
    void Append(const char* text) { Append(text, std::strlen(text)); }
    void Append(const std::string& text) { Append(text.data(), text.size()); }

    // Makes the buffer `length` bytes longer and gives the place of the new
    // bytes, which the caller fills.
    char* Grow(std::size_t length) {
        if (capacity_ - size_ < length)
            Expand(size_ + length);
        char* at = data_ + size_;
        size_ += length;
        return at;
    }

    // Shrinks the length back by `length` bytes (unused room from Grow).
    void Shrink(std::size_t length) { size_ -= length < size_ ? length : size_; }

    // Makes room for `total` bytes in all, so that a program whose size is
    // known in advance is written without moving.
    void Reserve(std::size_t total) {
        if (total > capacity_)
            Resize(RoundToStep(total));
    }

    // Length 0; the memory stays for the next program.
    void Truncate() { size_ = 0; }

    static constexpr std::size_t kStep = 1024;

private:
    static std::size_t RoundToStep(std::size_t size) { return (size + kStep - 1) / kStep * kStep; }

    // Whole steps, at least doubling, so that a long program costs linear time.
    void Expand(std::size_t needed) {
        std::size_t doubled = capacity_ * 2;
        Resize(RoundToStep(needed > doubled ? needed : doubled));
    }

    void Resize(std::size_t capacity);

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace t42
