#include "HexLines.h"

#include <array>
#include <cstring>

namespace t42 {

namespace {

// "00" to "FF": the two digits of every byte, looked up rather than formatted.
struct HexPairs {
    std::array<char, 512> digits;
    constexpr HexPairs() : digits() {
        const char* hex = "0123456789ABCDEF";
        for (int byte = 0; byte < 256; ++byte) {
            digits[2 * byte] = hex[byte >> 4];
            digits[2 * byte + 1] = hex[byte & 15];
        }
    }
};
constexpr HexPairs kHexPairs;

void WriteHexDigits(char* __restrict out, const std::uint8_t* __restrict bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(out + 2 * i, &kHexPairs.digits[2 * bytes[i]], 2);
}

} // namespace

void HexLines::Write(const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        std::size_t room = kBytesPerLine - lineBytes_;
        std::size_t take = count < room ? count : room;
        bool completesLine = take == room;
        char* out = output_.Grow(2 * take + (completesLine ? 1 : 0));
        WriteHexDigits(out, bytes, take);
        if (completesLine) {
            out[2 * take] = '\n';
            lineBytes_ = 0;
        } else {
            lineBytes_ += static_cast<unsigned>(take);
        }
        bytes += take;
        count -= take;
    }
}

void HexLines::WriteZeros(std::size_t count) {
    static const std::uint8_t kZeros[kBytesPerLine] = {};
    while (count > 0) {
        std::size_t take = count < sizeof kZeros ? count : sizeof kZeros;
        Write(kZeros, take);
        count -= take;
    }
}

void HexLines::EndPartialLine() {
    if (lineBytes_ != 0)
        output_.Append("\n", 1);
    lineBytes_ = 0;
}

void HexLines::BreakString() {
    EndPartialLine();
    output_.Append("00><\n", 5);
}

void HexLines::Finish() {
    EndPartialLine();
    output_.Append("00>]def\n", 8);
}

} // namespace t42
