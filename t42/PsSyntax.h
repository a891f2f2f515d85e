// How text from fonts and hosts is put into PostScript so that it stays
// data: string bodies, glyph names and font names. Every writer goes
// through these, so a name or a string can never end early or run as code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace t42 {

class OutputBuffer;

// Flags of the string-body escaper. A backslash is always doubled.
enum EscapeFlags : unsigned {
    kEscapeParentheses = 1u, // "\(" and "\)"
    kOctalControls = 2u,     // bytes below 0x20 and 0x7F as "\ooo"
};

// Bytes below 0x20 and 0x7F, which kOctalControls writes in octal.
inline bool IsControlByte(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

// One byte written as the inside of a string literal: itself, after a
// backslash, or as a backslash and three octal digits (at most 4 bytes);
// gives the end.
inline char* WriteEscapedByte(char* out, unsigned char byte, unsigned flags) {
    if (byte == '\\' || ((flags & kEscapeParentheses) && (byte == '(' || byte == ')'))) {
        *out++ = '\\';
        *out++ = static_cast<char>(byte);
    } else if ((flags & kOctalControls) && IsControlByte(byte)) {
        *out++ = '\\';
        *out++ = static_cast<char>('0' + (byte >> 6));
        *out++ = static_cast<char>('0' + ((byte >> 3) & 7));
        *out++ = static_cast<char>('0' + (byte & 7));
    } else {
        *out++ = static_cast<char>(byte);
    }
    return out;
}

// Length of `text` written as the inside of a string literal.
std::size_t EscapedLength(const char* text, std::size_t length, unsigned flags);

// Writes it at `out` (EscapedLength bytes); gives the end.
char* WriteEscaped(char* out, const char* text, std::size_t length, unsigned flags);

// Whether the parentheses of `text` are not all matched in order.
bool HasUnmatchedParenthesis(const char* text);

// Appends `text` as the inside of a string literal: matched parentheses go
// out as they are, one unmatched one and every parenthesis gets a
// backslash; a backslash is always doubled.
void AppendPSString(OutputBuffer& out, const char* text);

// Whether `name` can stand as a literal name: it is not empty and every byte
// is a regular character (0x21-0x7E other than the ten delimiters, or
// 0xA0-0xFF).
bool IsPlainName(const char* name);

// A glyph name as a token that puts that name on the stack: "/name" for a
// plain name, "(name) cvn" for any other. Glyph names hold at most 63 bytes,
// so a token is at most kMaxNameTokenLength bytes.
constexpr std::size_t kMaxNameTokenLength = 1 + 63 * 4 + 5;
std::size_t NameTokenLength(const char* name);
char* WriteNameToken(char* out, const char* name);

// The last `digits` hex digits of `value`, in upper case, as hex strings
// and glyph names ("uni00E9") spell them; gives the end.
char* WriteHexDigits(char* out, std::uint32_t value, unsigned digits);

// A font name made safe to stand after a slash: delimiters, white space,
// braces, control bytes, 0x7F and the binary-token bytes 0x80-0x9F removed,
// then cut to `maxLength` bytes.
std::string SanitizeFontName(const std::string& raw, std::size_t maxLength);

} // namespace t42
