#include "PdfSyntax.h"

#include "platform/Utf8.h"

#include <cstdio>
#include <cstdlib>

namespace print {

namespace {

bool IsRegular(unsigned char c) {
    static const std::string kDelimiters = "()<>[]{}/%#";
    return c > ' ' && c <= '~' && kDelimiters.find(static_cast<char>(c)) == std::string::npos;
}

void AppendUnit(std::string& out, unsigned unit) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", unit);
    out += text;
}

} // namespace

std::string PdfName(const std::string& name) {
    std::string out = "/";
    for (unsigned char c : name) {
        if (IsRegular(c)) {
            out += static_cast<char>(c);
        } else {
            char text[8];
            std::snprintf(text, sizeof text, "#%02X", c);
            out += text;
        }
    }
    return out;
}

std::string Utf16Hex(const std::u32string& text) {
    std::string out;
    out.reserve(text.size() * 4);
    for (char32_t c : text) {
        if (c >= 0x10000) {
            AppendUnit(out, 0xD800 + ((c - 0x10000) >> 10));
            AppendUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            AppendUnit(out, c);
        }
    }
    return out;
}

std::string PdfTextString(const std::string& text) {
    bool plain = true;
    for (unsigned char c : text)
        plain = plain && c >= ' ' && c <= '~';
    if (plain) {
        std::string out = "(";
        for (unsigned char c : text) {
            char escaped[2];
            out.append(escaped, WriteLiteralByte(escaped, c));
        }
        return out + ")";
    }
    std::u32string characters;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        platform::Utf8Step step = platform::DecodeUtf8(bytes + i, text.size() - i);
        characters += step.valid ? static_cast<char32_t>(step.codePoint) : U'\uFFFD';
        i += step.length;
    }
    return "<FEFF" + Utf16Hex(characters) + ">";
}

std::string PdfDate(std::time_t when) {
    std::tm parts{};
    char text[32] = "D:19700101000000Z";
    if (gmtime_r(&when, &parts))
        std::strftime(text, sizeof text, "D:%Y%m%d%H%M%SZ", &parts);
    return std::string("(") + text + ")";
}

std::time_t DocumentTime() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    char* end = nullptr;
    long long seconds = epoch && *epoch ? std::strtoll(epoch, &end, 10) : -1;
    if (seconds >= 0 && *end == 0)
        return static_cast<std::time_t>(seconds);
    return std::time(nullptr);
}

} // namespace print
