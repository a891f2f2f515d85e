// The multibyte string helpers of the ANSI code page, as the Windows runtime
// library provides them: double-byte characters are kept whole.
#include "../Platform.h"

namespace platform {

namespace {

unsigned char FoldAsciiCase(unsigned char byte) {
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

} // namespace

void MbsnbCopy(char* dst, const char* src, std::size_t count) {
    std::uint32_t codePage = AnsiCodePage();
    std::size_t i = 0;
    while (i < count) {
        unsigned char byte = static_cast<unsigned char>(src[i]);
        if (byte == 0) {
            dst[i] = 0;
            return;
        }
        if (IsLeadByteOf(codePage, byte)) {
            if (i + 1 >= count || src[i + 1] == 0) {
                dst[i] = 0; // never leave half a character
                return;
            }
            dst[i] = src[i];
            dst[i + 1] = src[i + 1];
            i += 2;
            continue;
        }
        dst[i] = src[i];
        ++i;
    }
}

int MbsnbICompare(const char* a, const char* b, std::size_t count) {
    std::uint32_t codePage = AnsiCodePage();
    std::size_t i = 0;
    while (i < count) {
        unsigned char byteA = static_cast<unsigned char>(a[i]);
        unsigned char byteB = static_cast<unsigned char>(b[i]);
        if (IsLeadByteOf(codePage, byteA) && IsLeadByteOf(codePage, byteB) && i + 1 < count) {
            unsigned int charA = byteA << 8 | static_cast<unsigned char>(a[i + 1]);
            unsigned int charB = byteB << 8 | static_cast<unsigned char>(b[i + 1]);
            if (charA != charB)
                return charA < charB ? -1 : 1;
            if (a[i + 1] == 0)
                return 0;
            i += 2;
            continue;
        }
        unsigned char foldedA = FoldAsciiCase(byteA);
        unsigned char foldedB = FoldAsciiCase(byteB);
        if (foldedA != foldedB)
            return foldedA < foldedB ? -1 : 1;
        if (byteA == 0)
            return 0;
        ++i;
    }
    return 0;
}

const char* MbsChr(const char* s, unsigned char c) {
    std::uint32_t codePage = AnsiCodePage();
    std::size_t i = 0;
    for (; s[i] != 0; ++i) {
        unsigned char byte = static_cast<unsigned char>(s[i]);
        if (IsLeadByteOf(codePage, byte)) {
            if (s[i + 1] == 0)
                return nullptr;
            ++i; // the trail byte is part of the character, never a match
            continue;
        }
        if (byte == c)
            return s + i;
    }
    return c == 0 ? s + i : nullptr; // the terminator, as _mbschr gives it
}

} // namespace platform
