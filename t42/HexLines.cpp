#include "HexLines.h"

#include <array>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

#ifdef __SSE2__
// Sixteen bytes at a time: each nibble n becomes '0' + n, plus 7 above 9,
// and the high and low digits are interleaved.
__m128i NibblesToDigits(__m128i nibbles) {
    __m128i aboveNine = _mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9));
    __m128i digits = _mm_add_epi8(nibbles, _mm_set1_epi8('0'));
    return _mm_add_epi8(digits, _mm_and_si128(aboveNine, _mm_set1_epi8('A' - '9' - 1)));
}

std::size_t WriteHexDigitsWide(char* out, const std::uint8_t* bytes, std::size_t count) {
    const __m128i lowNibble = _mm_set1_epi8(0x0F);
    std::size_t done = 0;
    for (; done + 16 <= count; done += 16) {
        __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + done));
        __m128i high = NibblesToDigits(_mm_and_si128(_mm_srli_epi16(in, 4), lowNibble));
        __m128i low = NibblesToDigits(_mm_and_si128(in, lowNibble));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * done), _mm_unpacklo_epi8(high, low));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * done + 16), _mm_unpackhi_epi8(high, low));
    }
    // Eight more (the last of a 40-byte line): half a register.
    if (done + 8 <= count) {
        __m128i in = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + done));
        __m128i high = NibblesToDigits(_mm_and_si128(_mm_srli_epi16(in, 4), lowNibble));
        __m128i low = NibblesToDigits(_mm_and_si128(in, lowNibble));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * done), _mm_unpacklo_epi8(high, low));
        done += 8;
    }
    return done;
}
#else
std::size_t WriteHexDigitsWide(char*, const std::uint8_t*, std::size_t) { return 0; }
#endif

void WriteHexDigits(char* __restrict out, const std::uint8_t* __restrict bytes, std::size_t count) {
    std::size_t done = WriteHexDigitsWide(out, bytes, count);
    for (std::size_t i = done; i < count; ++i)
        std::memcpy(out + 2 * i, &kHexPairs.digits[2 * bytes[i]], 2);
}

} // namespace

void HexLines::Write(const std::uint8_t* bytes, std::size_t count) {
    constexpr std::size_t kLineChars = 2 * kBytesPerLine + 1;
    constexpr std::size_t kLinesAtOnce = 256;
    while (count > 0) {
        if (lineBytes_ == 0 && count >= kBytesPerLine) {
            // Whole lines: many at a time, the room taken once.
            std::size_t lines = count / kBytesPerLine < kLinesAtOnce ? count / kBytesPerLine : kLinesAtOnce;
            char* out = output_.Grow(lines * kLineChars);
            for (std::size_t line = 0; line < lines; ++line) {
                WriteHexDigits(out, bytes, kBytesPerLine);
                out[2 * kBytesPerLine] = '\n';
                out += kLineChars;
                bytes += kBytesPerLine;
            }
            count -= lines * kBytesPerLine;
            continue;
        }
        // The rest of the current line, or a part line.
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

void HexLines::WriteLine(const std::uint8_t* bytes, std::size_t count) {
    EndPartialLine();
    char* out = output_.Grow(2 * count + 1);
    WriteHexDigits(out, bytes, count);
    out[2 * count] = '\n';
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
