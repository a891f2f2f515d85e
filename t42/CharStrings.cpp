// The glyph-name entries of the font dictionary: Encoding and CharStrings.
#include "FontProgram.h"
#include "PsSyntax.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

namespace t42 {

// ISOLatin1Encoding, except that bytes 39, 45 and 96 name the font's own
// glyphs of U+0027, U+002D and U+0060: that encoding gives them the curly
// quotes and the minus sign, and hosts mean the ASCII characters. A byte
// whose character the face's Unicode map lacks keeps ISOLatin1Encoding's
// name, and so do all three in a face without a Unicode map.
void WriteEncoding(const LoadedFont& font, const GlyphSelection&, OutputBuffer& out) {
    constexpr unsigned char kAsciiBytes[] = {39, 45, 96};
    FT_Face face = font.Face();
    bool unicode = face->charmap && face->charmap->encoding == FT_ENCODING_UNICODE;
    std::string entries;
    char buffer[GlyphNamer::kBufferSize];
    for (unsigned char byte : kAsciiBytes) {
        FT_UInt glyph = unicode ? FT_Get_Char_Index(face, byte) : 0;
        if (glyph == 0)
            continue;
        const char* name = font.GlyphName(glyph, buffer);
        char token[kMaxNameTokenLength];
        entries += " dup " + std::to_string(byte) + ' ';
        entries.append(token, static_cast<std::size_t>(WriteNameToken(token, name) - token));
        entries += " put";
    }
    if (entries.empty()) {
        out.Append("/Encoding ISOLatin1Encoding def\n");
        return;
    }
    out.Append("/Encoding ISOLatin1Encoding 256 array copy");
    out.Append(entries);
    out.Append(" def\n");
}

void WriteCharStrings(const LoadedFont& font, const GlyphSelection& selection, OutputBuffer& out) {
    char line[64];
    int length = std::snprintf(line, sizeof line, "/CharStrings %zu dict dup begin\n", selection.Size());
    out.Append(line, static_cast<std::size_t>(length));
    bool notdefWritten = false;
    char buffer[GlyphNamer::kBufferSize];
    for (const GlyphPair& glyph : selection.Pairs()) {
        // A subset's names are chosen with it; the whole font's come from
        // the namer.
        const char* name = selection.IsSubset() ? selection.Name(glyph.written).c_str()
                                                : font.GlyphName(glyph.original, buffer);
        if (IsNotdef(name)) {
            if (notdefWritten)
                continue;
            notdefWritten = true;
        }
        // One entry: the name token, the glyph index, " def".
        char entry[kMaxNameTokenLength + 24];
        char* end = WriteNameToken(entry, name);
        *end++ = ' ';
        end = std::to_chars(end, entry + sizeof entry - 5, glyph.written).ptr;
        std::memcpy(end, " def\n", 5);
        out.Append(entry, static_cast<std::size_t>(end + 5 - entry));
    }
    // Every PostScript font must define .notdef.
    if (!notdefWritten)
        out.Append("/.notdef 0 def\n");
    out.Append("end readonly def\n");
}

} // namespace t42
