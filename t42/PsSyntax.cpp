#include "PsSyntax.h"
#include "OutputBuffer.h"

#include <cstring>

namespace t42 {

namespace {

// The regular characters: 0x21-0x7E less the ten delimiters, and 0xA0-0xFF.
// Outside a string, 0x80-0x9F are binary tokens to a Level 2 scanner.
struct RegularBytes {
    bool regular[256];
    constexpr RegularBytes() : regular() {
        for (int byte = 0x21; byte <= 0x7E; ++byte)
            regular[byte] = true;
        for (char delimiter : {'(', ')', '<', '>', '[', ']', '{', '}', '/', '%'})
            regular[static_cast<unsigned char>(delimiter)] = false;
        for (int byte = 0xA0; byte <= 0xFF; ++byte)
            regular[byte] = true;
    }
};
constexpr RegularBytes kRegularBytes;

bool IsRegular(unsigned char byte) { return kRegularBytes.regular[byte]; }

} // namespace

std::size_t EscapedLength(const char* text, std::size_t length, unsigned flags) {
    std::size_t escaped = length;
    for (std::size_t i = 0; i < length; ++i) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == '\\' || ((flags & kEscapeParentheses) && (byte == '(' || byte == ')')))
            escaped += 1;
        else if ((flags & kOctalControls) && IsControlByte(byte))
            escaped += 3;
    }
    return escaped;
}

char* WriteEscaped(char* out, const char* text, std::size_t length, unsigned flags) {
    for (std::size_t i = 0; i < length; ++i)
        out = WriteEscapedByte(out, static_cast<unsigned char>(text[i]), flags);
    return out;
}

char* WriteHexDigits(char* out, std::uint32_t value, unsigned digits) {
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned shift = 4 * digits; shift > 0; shift -= 4)
        *out++ = kHex[(value >> (shift - 4)) & 0xF];
    return out;
}

bool HasUnmatchedParenthesis(const char* text) {
    int depth = 0;
    for (; *text; ++text) {
        if (*text == '(') {
            ++depth;
        } else if (*text == ')') {
            if (--depth < 0)
                return true;
        }
    }
    return depth != 0;
}

void AppendPSString(OutputBuffer& out, const char* text) {
    unsigned flags = HasUnmatchedParenthesis(text) ? kEscapeParentheses : 0u;
    std::size_t length = std::strlen(text);
    char* at = out.Grow(EscapedLength(text, length, flags));
    WriteEscaped(at, text, length, flags);
}

bool IsPlainName(const char* name) {
    if (*name == 0)
        return false;
    for (; *name; ++name)
        if (!IsRegular(static_cast<unsigned char>(*name)))
            return false;
    return true;
}

std::size_t NameTokenLength(const char* name) {
    std::size_t length = std::strlen(name);
    if (IsPlainName(name))
        return 1 + length;
    return 1 + EscapedLength(name, length, kEscapeParentheses | kOctalControls) + 5;
}

char* WriteNameToken(char* out, const char* name) {
    std::size_t length = std::strlen(name);
    if (IsPlainName(name)) {
        *out++ = '/';
        std::memcpy(out, name, length);
        return out + length;
    }
    *out++ = '(';
    out = WriteEscaped(out, name, length, kEscapeParentheses | kOctalControls);
    std::memcpy(out, ") cvn", 5);
    return out + 5;
}

std::string SanitizeFontName(const std::string& raw, std::size_t maxLength) {
    std::string name;
    for (char c : raw) {
        if (name.size() == maxLength)
            break;
        if (IsRegular(static_cast<unsigned char>(c)))
            name += c;
    }
    return name;
}

} // namespace t42
