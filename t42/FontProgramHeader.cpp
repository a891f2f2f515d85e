// The beginning of the font program: header comments and the font
// dictionary's fixed entries up to the end of FontInfo; and the order in
// which the writers make a whole program.
#include "FontProgram.h"
#include "HexLines.h"
#include "PsSyntax.h"
#include "SfntLayout.h"

#include "../platform/Platform.h"

#include <cstdio>
#include <string>
#include <vector>

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

// A subset's glyph names and the Unicode text each drawn glyph stands for,
// as Ghostscript reads them to make ToUnicode maps: an integer for one
// character of the Basic Multilingual Plane, else a string of UTF-16BE.
// Code points that are no characters stand as U+FFFD.
void WriteGlyphNames2Unicode(const GlyphSelection& selection, std::size_t entries, OutputBuffer& out) {
    char line[64];
    std::snprintf(line, sizeof line, "/GlyphNames2Unicode %zu dict dup begin\n", entries);
    out.Append(line);
    for (std::size_t w = 0; w < selection.Size(); ++w) {
        const std::u32string& text = selection.Text(w);
        if (text.empty())
            continue;
        char token[kMaxNameTokenLength];
        out.Append(token, static_cast<std::size_t>(WriteNameToken(token, selection.Name(w).c_str()) - token));
        std::vector<std::uint8_t> utf16;
        for (char32_t c : text) {
            std::uint32_t code = c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? 0xFFFD : c;
            if (code > 0xFFFF) {
                code -= 0x10000;
                AppendU16(utf16, static_cast<std::uint16_t>(0xD800 + (code >> 10)));
                AppendU16(utf16, static_cast<std::uint16_t>(0xDC00 + (code & 0x3FF)));
            } else {
                AppendU16(utf16, static_cast<std::uint16_t>(code));
            }
        }
        if (utf16.size() == 2) {
            std::snprintf(line, sizeof line, " %u def\n", static_cast<unsigned>(utf16[0] << 8 | utf16[1]));
            out.Append(line);
            continue;
        }
        out.Append(" <");
        HexLines hex(out);
        hex.Write(utf16.data(), utf16.size());
        out.Append("> def\n");
    }
    out.Append("end readonly def\n");
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

void WriteFontDictionary(const LoadedFont& font, const GlyphSelection& selection, const ProgramTables& tables,
                         OutputBuffer& out) {
    const FontFacts& facts = font.Facts();
    char line[256];
    if (facts.minMemType42 != 0 && facts.maxMemType42 != 0) {
        // A subset needs about its own size, not the font's.
        unsigned long least = facts.minMemType42, most = facts.maxMemType42;
        if (selection.IsSubset())
            least = most = static_cast<unsigned long>(SfntLayout(tables.Tables()).Size());
        std::snprintf(line, sizeof line, "%%%%VMusage: %lu %lu\n", least, most);
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
    std::size_t textEntries = 0;
    for (std::size_t w = 0; selection.IsSubset() && w < selection.Size(); ++w)
        textEntries += selection.Text(w).empty() ? 0 : 1;
    out.Append(textEntries ? "/FontInfo 10 dict dup begin\n" : "/FontInfo 9 dict dup begin\n");
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
    if (textEntries)
        WriteGlyphNames2Unicode(selection, textEntries, out);
    out.Append("end readonly def\n");
}

void WriteFontProgram(const LoadedFont& font, const GlyphSelection& selection, const ProgramTables& tables,
                      OutputBuffer& out) {
    out.Reserve(out.Size() + EstimatedProgramSize(tables));
    WriteHeader(font, selection, out);
    WriteFontDictionary(font, selection, tables, out);
    WriteEncoding(font, selection, out);
    WriteCharStrings(font, selection, out);
    WriteSfnts(tables, out);
    out.Append("FontName currentdict end definefont pop\n");
}

void WriteWholeFontProgram(const LoadedFont& font, OutputBuffer& out) {
    GlyphSelection whole = GlyphSelection::WholeFont(static_cast<std::uint32_t>(font.Facts().numGlyphs));
    WriteFontProgram(font, whole, ProgramTables(font), out);
}

} // namespace t42
