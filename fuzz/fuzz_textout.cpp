// T42TextOut over arbitrary text, buffer sizes and character sets, on a
// handful of fonts converted once for the whole run: DejaVu Sans and crafted
// fonts whose glyph names are full of delimiters, escapes and control bytes.
//
// Input: byte 0 picks the font, byte 1 the character set, byte 2 the kind
// of buffer, byte 3 its size; the rest, up to a zero byte, is the text.
#include "FuzzSupport.h"

#include "platform/Platform.h"

#include <cstdint>

namespace {

// Face names and files, in QUELIN_FUZZ_FONTS or with a full path.
const std::vector<platform::FontValue> kFaces = {
    {"DejaVu Sans (TrueType)", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"},
    {"Hostile Names (TrueType)", "textout-names.ttf"}, {"Odd Names (TrueType)", "glyphnames-odd.ttf"},
    {"Symbol Test (TrueType)", "symbol.ttf"},          {"Later Notdef (TrueType)", "notdef-later.ttf"},
};

constexpr std::uint8_t kCharSets[] = {ANSI_CHARSET,   DEFAULT_CHARSET,    SYMBOL_CHARSET,  MAC_CHARSET,
                                      SHIFTJIS_CHARSET, HANGUL_CHARSET,   GB2312_CHARSET,  CHINESEBIG5_CHARSET,
                                      GREEK_CHARSET,  TURKISH_CHARSET,    HEBREW_CHARSET,  ARABIC_CHARSET,
                                      BALTIC_CHARSET, RUSSIAN_CHARSET,    THAI_CHARSET,    EASTEUROPE_CHARSET,
                                      OEM_CHARSET,    VIETNAMESE_CHARSET, JOHAB_CHARSET,   3};

// Each font in each character set: its handle (0: not tried yet, <0: the
// font is not there) and CharStrings.
std::pair<int, std::map<std::string, long>> converted[5][sizeof kCharSets];

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::OverrideFontValues(kFaces, QUELIN_FUZZ_FONTS "/");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const platform::FontValue& face = kFaces[data[0] % kFaces.size()];
    auto& [handle, glyphs] = converted[data[0] % kFaces.size()][data[1] % sizeof kCharSets];
    if (handle == 0) {
        LOGFONTA request{};
        std::strcpy(request.lfFaceName, face.name.substr(0, face.name.find(" (")).c_str());
        request.lfCharSet = kCharSets[data[1] % sizeof kCharSets];
        handle = T42MakeTrueTypeFont(&request);
        if (handle < 0) {
            std::fprintf(stderr, "fuzz_textout: %s (%s) is not there\n", face.name.c_str(), face.data.c_str());
            return 0;
        }
        glyphs = fuzz::CheckProgram(handle).glyphs;
    }
    if (handle < 0)
        return 0;
    std::string text(reinterpret_cast<const char*>(data) + 4, size - 4);
    text = text.c_str(); // up to the first zero byte

    std::uint32_t codePage = fuzz::CodePageOfCharSet(kCharSets[data[1] % sizeof kCharSets]);
    std::string full = fuzz::CheckFullTextOut(handle, text, glyphs, codePage);
    int whole = static_cast<int>(full.size()), byte = data[3];
    // Buffer kinds: none, one byte, a negative size, no buffer at all, the
    // code without its zero, the whole code, the size byte, a part of it.
    const int sizes[] = {0, 1, -1 - byte * 1000, byte, whole, whole + 1, byte, whole * byte / 255};
    fuzz::CheckCutTextOut(handle, text, full, sizes[data[2] % 8], data[2] % 8 == 3, codePage);
    return 0;
}
