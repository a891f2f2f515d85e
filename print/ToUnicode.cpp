#include "ToUnicode.h"

#include "Page.h"
#include "PdfSyntax.h"

#include <algorithm>
#include <cstdio>

namespace print {

namespace {

// A CMap's destination string holds at most 512 bytes.
constexpr std::size_t kLongestGlyphText = 127;
// Entries per bfchar block, as the CMap format allows.
constexpr std::size_t kBlock = 100;

bool IsBidiControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// Control characters and what is not a character give nothing back.
bool Shows(char32_t c) {
    return c >= 0x20 && !(c >= 0x7F && c < 0xA0) && !(c >= 0xD800 && c <= 0xDFFF) && c <= 0x10FFFF &&
           !IsDefaultIgnorable(c);
}

} // namespace

bool StandsForItselfPastAscii(char32_t c) { return !IsBidiControl(c) && Shows(c); }

std::u32string DrawnText(const std::u32string& clusterText, bool rightToLeft) {
    std::u32string drawn;
    drawn.reserve(clusterText.size());
    for (char32_t c : clusterText)
        if (!IsBidiControl(c) && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF))
            drawn += c;
    if (rightToLeft)
        std::reverse(drawn.begin(), drawn.end());
    return drawn;
}

std::u32string GlyphText(const std::u32string& drawn) {
    std::u32string text;
    for (char32_t c : drawn)
        if (Shows(c))
            text += c;
    return text.size() <= kLongestGlyphText ? text : std::u32string();
}

std::string ToUnicodeCMap(const std::vector<std::u32string>& texts) {
    std::string out =
        "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo<</Registry(Adobe)/Ordering(UCS)/Supplement 0>>def\n"
        "/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000><FFFF>\nendcodespacerange\n";
    std::vector<std::size_t> mapped;
    for (std::size_t cid = 0; cid < texts.size() && cid <= 0xFFFF; ++cid)
        if (!texts[cid].empty())
            mapped.push_back(cid);
    for (std::size_t start = 0; start < mapped.size(); start += kBlock) {
        std::size_t end = std::min(mapped.size(), start + kBlock);
        out += std::to_string(end - start) + " beginbfchar\n";
        for (std::size_t i = start; i < end; ++i) {
            char code[8];
            std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(mapped[i]));
            out += std::string("<") + code + "><" + Utf16Hex(texts[mapped[i]]) + ">\n";
        }
        out += "endbfchar\n";
    }
    return out + "endcmap\nCMapName currentdict/CMap defineresource pop\nend\nend\n";
}

} // namespace print
