// The glyph names the font program defines in CharStrings and the text
// output asks for with glyphshow: one function, so the two always agree.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <vector>

namespace t42 {

class GlyphNamer {
public:
    static constexpr std::size_t kBufferSize = 64; // names keep at most 63 bytes

    // Forgets the face it named before.
    void Reset();

    // The name of glyph `index` of `face` (whose selected map is the one the
    // conversion chose): the font's own name; an empty name counts as
    // ".notdef"; a glyph other than 0 that is called ".notdef" is named after
    // the lowest Unicode code point that reaches it, where one does.
    // Gives `buffer` or a constant.
    const char* NameOf(FT_Face face, unsigned index, char (&buffer)[kBufferSize]);

private:
    void MapCodePoints(FT_Face face);

    bool mapped_ = false;
    std::vector<std::uint32_t> lowestCodePoint_; // per glyph; kNone when unreached
};

// Whether `name` is ".notdef".
bool IsNotdef(const char* name);

// The name a code point gets when a glyph has none: the ISOLatin1Encoding
// name that stands for it, "uniXXXX", or "uXXXXX[X]" above U+FFFF.
void NameFromCodePoint(std::uint32_t codePoint, char (&buffer)[GlyphNamer::kBufferSize]);

} // namespace t42
