// Bytes as the hex lines of the sfnts strings: two uppercase digits a byte,
// 40 bytes a line, a line break after each full line. A string break ends
// the line and writes the string's extra zero byte and "><".
#pragma once

#include "OutputBuffer.h"

#include <cstddef>
#include <cstdint>

namespace t42 {

class HexLines {
public:
    static constexpr unsigned kBytesPerLine = 40;

    explicit HexLines(OutputBuffer& output) : output_(output) {}

    void Write(const std::uint8_t* bytes, std::size_t count);
    void WriteZeros(std::size_t count);

    // `count` bytes as a line of their own, outside the 40-byte lines (the
    // offset table and the directory entries).
    void WriteLine(const std::uint8_t* bytes, std::size_t count);

    // Ends the current string and opens the next: "00><" on a line of its own.
    void BreakString();

    // Ends the last string and the array: "00>]def".
    void Finish();

private:
    void EndPartialLine();

    OutputBuffer& output_;
    unsigned lineBytes_ = 0; // bytes on the current, unfinished line
};

} // namespace t42
