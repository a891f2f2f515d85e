// The beginning of the font program: header comments and the font
// dictionary's fixed entries up to the end of FontInfo.
#include "TTPost42.h"

#include <cstdio>
#include <string>

namespace t42 {

namespace {

constexpr const char* kCreatorName = "TTPost42";
constexpr const char* kCreatorVersion = "1.0.1";

} // namespace

int TTPost42::WriteHeader() {
    // Texts can be long (a 255-byte date text at most), so format into a
    // string rather than a fixed line.
    std::string line = std::string("%!PS-TrueTypeFont-") + facts.trueTypeVersion + "-" + facts.version + "\n";
    line += std::string("%%Creator: [") + kCreatorName + "] [" + kCreatorVersion + "]\n";
    line += "%%Creation Date: (" + platform::CreationDateText() + ")\n";
    Append(line.c_str(), static_cast<int>(line.size()));
    return 0;
}

int TTPost42::WriteFontDictionary() {
    char line[256];
    if (facts.minMemType42 != 0 && facts.maxMemType42 != 0) {
        std::snprintf(line, sizeof line, "%%%%VMusage: %d %d\n", static_cast<int>(facts.minMemType42),
                      static_cast<int>(facts.maxMemType42));
        Append(line, -1);
    }
    Append("11 dict begin\n", -1);
    std::snprintf(line, sizeof line, "/FontName /%s def\n", facts.fontName);
    Append(line, -1);
    Append("/FontType 42 def\n/FontMatrix [1 0 0 1 0 0] def\n", -1);
    std::snprintf(line, sizeof line, "/FontBBox [%d %d %d %d] def\n", facts.fontBBox[0], facts.fontBBox[1],
                  facts.fontBBox[2], facts.fontBBox[3]);
    Append(line, -1);
    Append("/PaintType 0 def\n", -1);
    Append("/FontInfo 9 dict dup begin\n", -1);
    WriteFontInfoString("version", facts.version);
    WriteFontInfoString("Notice", facts.notice);
    WriteFontInfoString("FullName", facts.fullName);
    WriteFontInfoString("FamilyName", facts.familyName);
    WriteFontInfoString("Weight", facts.weight);
    std::snprintf(line, sizeof line, "/ItalicAngle %s def\n", facts.italicAngle);
    Append(line, -1);
    std::snprintf(line, sizeof line, "/isFixedPitch %s def\n", facts.isFixedPitch ? "true" : "false");
    Append(line, -1);
    std::snprintf(line, sizeof line, "/UnderlinePosition %d def\n", facts.underlinePosition);
    Append(line, -1);
    std::snprintf(line, sizeof line, "/UnderlineThickness %d def\n", facts.underlineThickness);
    Append(line, -1);
    Append("end readonly def\n", -1);
    return 0;
}

void TTPost42::WriteFontInfoString(const char* key, const char* text) {
    Append("/", -1);
    Append(key, -1);
    Append(" (", -1);
    AppendPSString(text);
    Append(") readonly def\n", -1);
}

} // namespace t42
