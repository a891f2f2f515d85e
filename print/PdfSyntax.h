// How values are spelled in a PDF file: names, text strings, dates.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

namespace print {

// The bytes a literal string escapes: the delimiters and the backslash, and
// a carriage return, which a reader would take for an end of line.
constexpr std::array<bool, 256> kLiteralEscapes = [] {
    std::array<bool, 256> escaped{};
    escaped['('] = escaped[')'] = escaped['\\'] = escaped['\r'] = true;
    return escaped;
}();

inline bool NeedsLiteralEscape(unsigned char byte) { return kLiteralEscapes[byte]; }

// One byte as the inside of a literal string (at most 2 bytes); gives the end.
inline char* WriteLiteralByte(char* to, unsigned char byte) {
    if (NeedsLiteralEscape(byte)) {
        *to++ = '\\';
        byte = byte == '\r' ? 'r' : byte;
    }
    *to++ = static_cast<char>(byte);
    return to;
}

// A name object: "/DejaVuSans", delimiters and bytes outside ! to ~ as #xx.
std::string PdfName(const std::string& name);

// Characters as big-endian UTF-16 in hex, surrogate pairs for those past
// U+FFFF: "00410042".
std::string Utf16Hex(const std::u32string& text);

// A text string: the UTF-8 `text` as a literal string when it is printable
// ASCII, else as UTF-16BE with a byte-order mark, in hex. Invalid UTF-8
// bytes become U+FFFD.
std::string PdfTextString(const std::string& text);

// A date: "(D:20240102030405Z)", in UTC.
std::string PdfDate(std::time_t when);

// The document's date: SOURCE_DATE_EPOCH when it is set, else now.
std::time_t DocumentTime();

} // namespace print
