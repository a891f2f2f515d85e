// The glyph-name entries of the font dictionary: Encoding and CharStrings.
#include "FontProgram.h"
#include "PsSyntax.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace t42 {

void WriteEncoding(const LoadedFont&, const GlyphSelection&, OutputBuffer& out) {
    out.Append("/Encoding ISOLatin1Encoding def\n");
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
