// The beginning of the font program: header comments and the font
// dictionary's fixed entries up to the end of FontInfo; and the order in
// which the writers make a whole program.
#include "FontProgram.h"
#include "PsSyntax.h"

#include "../platform/Platform.h"

#include <cstdio>
#include <string>

namespace t42 {

namespace {

constexpr const char* kCreatorName = "TTPost42";
constexpr const char* kCreatorVersion = "1.0.1";

void WriteFontInfoString(OutputBuffer& out, const char* key, const char* text) {
    out.Append("/");
    out.Append(key);
    out.Append(" (");
    AppendPSString(out, text);
    out.Append(") readonly def\n");
}

} // namespace

void WriteHeader(const LoadedFont& font, const GlyphSelection&, OutputBuffer& out) {
    const FontFacts& facts = font.Facts();
    // Texts can be long (a 255-byte date text at most), so format into a
    // string rather than a fixed line.
    out.Append(std::string("%!PS-TrueTypeFont-") + facts.trueTypeVersion + "-" + facts.version + "\n");
    out.Append(std::string("%%Creator: [") + kCreatorName + "] [" + kCreatorVersion + "]\n");
    out.Append("%%Creation Date: (" + platform::CreationDateText() + ")\n");
}

void WriteFontDictionary(const LoadedFont& font, const GlyphSelection&, OutputBuffer& out) {
    const FontFacts& facts = font.Facts();
    char line[256];
    if (facts.minMemType42 != 0 && facts.maxMemType42 != 0) {
        std::snprintf(line, sizeof line, "%%%%VMusage: %lu %lu\n", static_cast<unsigned long>(facts.minMemType42),
                      static_cast<unsigned long>(facts.maxMemType42));
        out.Append(line);
    }
    out.Append("11 dict begin\n");
    std::snprintf(line, sizeof line, "/FontName /%s def\n", facts.fontName);
    out.Append(line);
    out.Append("/FontType 42 def\n/FontMatrix [1 0 0 1 0 0] def\n");
    std::snprintf(line, sizeof line, "/FontBBox [%d %d %d %d] def\n", facts.fontBBox[0], facts.fontBBox[1],
                  facts.fontBBox[2], facts.fontBBox[3]);
    out.Append(line);
    out.Append("/PaintType 0 def\n");
    out.Append("/FontInfo 9 dict dup begin\n");
    WriteFontInfoString(out, "version", facts.version);
    WriteFontInfoString(out, "Notice", facts.notice);
    WriteFontInfoString(out, "FullName", facts.fullName);
    WriteFontInfoString(out, "FamilyName", facts.familyName);
    WriteFontInfoString(out, "Weight", facts.weight);
    std::snprintf(line, sizeof line, "/ItalicAngle %s def\n", facts.italicAngle);
    out.Append(line);
    std::snprintf(line, sizeof line, "/isFixedPitch %s def\n", facts.isFixedPitch ? "true" : "false");
    out.Append(line);
    std::snprintf(line, sizeof line, "/UnderlinePosition %d def\n", facts.underlinePosition);
    out.Append(line);
    std::snprintf(line, sizeof line, "/UnderlineThickness %d def\n", facts.underlineThickness);
    out.Append(line);
    out.Append("end readonly def\n");
}

void WriteFontProgram(const LoadedFont& font, const GlyphSelection& selection, OutputBuffer& out) {
    out.Reserve(out.Size() + EstimatedProgramSize(font, selection));
    for (auto writer : {WriteHeader, WriteFontDictionary, WriteEncoding, WriteCharStrings, WriteSfnts})
        writer(font, selection, out);
    out.Append("FontName currentdict end definefont pop\n");
}

} // namespace t42
