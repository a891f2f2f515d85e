// T42TextOut over arbitrary text, buffer sizes and character sets, on a
// handful of converted fonts kept for the whole run: DejaVu Sans and crafted
// fonts whose glyph names are full of delimiters, escapes and control bytes.
//
// Input: byte 0 picks the font (bit 7: also try a bad handle and no text),
// byte 1 the character set, byte 2 the kind of buffer, byte 3 its size;
// the rest, up to a zero byte, is the text.
#include "FuzzSupport.h"

#include "platform/Platform.h"

#include <cstdint>
#include <utility>

#ifndef QUELIN_FUZZ_FONTS
#define QUELIN_FUZZ_FONTS "."
#endif

namespace {

struct Face {
    const char* faceName;
    const char* file; // in the fuzz fonts folder, or a full path
};

constexpr Face kFaces[] = {
    {"DejaVu Sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"},
    {"Hostile Names", "textout-names.ttf"},
    {"Odd Names", "glyphnames-odd.ttf"},
    {"Symbol Test", "symbol.ttf"},
    {"Later Notdef", "notdef-later.ttf"},
};
constexpr int kFaceCount = sizeof kFaces / sizeof kFaces[0];

constexpr std::uint8_t kCharSets[] = {ANSI_CHARSET,     DEFAULT_CHARSET,     SYMBOL_CHARSET,   MAC_CHARSET,
                                      SHIFTJIS_CHARSET, HANGUL_CHARSET,      GB2312_CHARSET,   CHINESEBIG5_CHARSET,
                                      GREEK_CHARSET,    TURKISH_CHARSET,     HEBREW_CHARSET,   ARABIC_CHARSET,
                                      BALTIC_CHARSET,   RUSSIAN_CHARSET,     THAI_CHARSET,     EASTEUROPE_CHARSET,
                                      OEM_CHARSET,      VIETNAMESE_CHARSET,  JOHAB_CHARSET,    3};
constexpr int kCharSetCount = sizeof kCharSets;

struct Converted {
    int handle = 0; // 0: not tried yet; <0: the font is not there
    std::map<std::string, long> glyphs;
};
Converted converted[kFaceCount][kCharSetCount];

std::string FontsFolder() {
    const char* folder = std::getenv("QUELIN_FUZZ_FONTS");
    return std::string(folder && *folder ? folder : QUELIN_FUZZ_FONTS) + "/";
}

Converted& Font(int face, int charSet) {
    Converted& font = converted[face][charSet];
    if (font.handle != 0)
        return font;
    LOGFONTA request{};
    std::strcpy(request.lfFaceName, kFaces[face].faceName);
    request.lfCharSet = kCharSets[charSet];
    font.handle = T42MakeTrueTypeFont(&request);
    if (font.handle < 0) {
        std::fprintf(stderr, "fuzz_textout: %s (%s) is not there: %d\n", kFaces[face].faceName,
                     kFaces[face].file, font.handle);
        return font;
    }
    HGLOBAL block = T42GetFontData(font.handle);
    std::string program(static_cast<const char*>(T42GlobalLock(block)), T42GlobalSize(block));
    T42GlobalFree(block);
    pscheck::ProgramFacts facts;
    std::string error;
    FUZZ_CHECK(pscheck::CheckFontProgram(program, facts, error), kFaces[face].faceName << ": " << error);
    font.glyphs = std::move(facts.glyphs);
    return font;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::vector<platform::FontValue> values;
    for (const Face& face : kFaces)
        values.push_back({std::string(face.faceName) + " (TrueType)", face.file});
    platform::OverrideFontValues(values, FontsFolder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    int face = data[0] % kFaceCount;
    int charSet = data[1] % kCharSetCount;
    Converted& font = Font(face, charSet);
    if (font.handle < 0)
        return 0;
    std::string text(reinterpret_cast<const char*>(data) + 4, size - 4);
    text = text.c_str(); // up to the first zero byte

    if (data[0] & 0x80) {
        char out[64];
        FUZZ_CHECK(T42TextOut(font.handle, nullptr, out, sizeof out) == T42_ERROR_REQUEST, "null text");
        FUZZ_CHECK(T42TextOut(999, text.c_str(), out, sizeof out) == T42_ERROR_BAD_HANDLE, "handle 999");
        FUZZ_CHECK(T42TextOut(font.handle + 100000, text.c_str(), out, sizeof out) == T42_ERROR_BAD_HANDLE,
                   "unknown handle");
    }

    std::uint32_t codePage = fuzz::CodePageOfCharSet(kCharSets[charSet]);
    std::string full = fuzz::CheckFullTextOut(font.handle, text, font.glyphs, codePage);
    int fullSize = static_cast<int>(full.size());
    int sizeByte = data[3];
    switch (data[2] % 8) {
    case 0: fuzz::CheckCutTextOut(font.handle, text, full, 0, false, codePage); break;
    case 1: fuzz::CheckCutTextOut(font.handle, text, full, 1, false, codePage); break;
    case 2: fuzz::CheckCutTextOut(font.handle, text, full, -1 - sizeByte * 1000, false, codePage); break;
    case 3: fuzz::CheckCutTextOut(font.handle, text, full, sizeByte, true, codePage); break;
    case 4: fuzz::CheckCutTextOut(font.handle, text, full, fullSize, false, codePage); break;
    case 5: fuzz::CheckCutTextOut(font.handle, text, full, fullSize + 1, false, codePage); break;
    case 6: fuzz::CheckCutTextOut(font.handle, text, full, sizeByte, false, codePage); break;
    default: fuzz::CheckCutTextOut(font.handle, text, full, fullSize * sizeByte / 255, false, codePage); break;
    }
    return 0;
}
