// The in-memory output of a conversion: the font program as 8-bit text.
// Either the whole program, or, for a caller that only writes it out, a
// window on it that is handed to a sink whenever it fills.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace t42 {

// Takes the bytes of a program written in pieces, in order.
class OutputSink {
public:
    virtual void Take(const char* data, std::size_t size) = 0;

protected:
    ~OutputSink() = default;
};

class OutputBuffer {
public:
    OutputBuffer() = default;
    // Streams to `sink`: the buffer keeps at most about `window` bytes, and
    // Size() counts only those not handed over yet.
    explicit OutputBuffer(OutputSink& sink, std::size_t window = kStreamWindow) : sink_(&sink), window_(window) {}
    ~OutputBuffer();
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
    // known in advance is written without moving. A streaming buffer takes
    // no more than its window.
    void Reserve(std::size_t total) {
        if (sink_ && total > window_)
            total = window_;
        if (total > capacity_)
            Resize(RoundToStep(total));
    }

    // Length 0; the memory stays for the next program.
    void Truncate() { size_ = 0; }

    // Streaming: hands the bytes held to the sink.
    void Flush() {
        if (sink_ && size_ != 0)
            sink_->Take(data_, size_);
        size_ = 0;
    }

    static constexpr std::size_t kStep = 1024;
    // Small enough to stay in the processor's cache between filling and
    // writing out, large enough that the writing takes few system calls.
    static constexpr std::size_t kStreamWindow = 128 * 1024;

private:
    static std::size_t RoundToStep(std::size_t size) { return (size + kStep - 1) / kStep * kStep; }

    // Whole steps, at least doubling, so that a long program costs linear
    // time; a streaming buffer first hands over what it holds.
    void Expand(std::size_t needed);

    void Resize(std::size_t capacity);

    OutputSink* sink_ = nullptr;
    std::size_t window_ = 0;
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace t42
