// The glyph items of the text output: for each byte of 128 or more, the
// code that draws its glyph by name, " glyphshow " included. Built once per
// converted font, since the face, its map and the code page never change.
#pragma once

#include "LoadedFont.h"

#include <string>

namespace t42 {

class GlyphItems {
public:
    void Prepare(const LoadedFont& font);
    void Clear();

    const std::string& Item(unsigned char byte) const { return items_[byte - kFirstByte]; }

    // The item of one glyph: its name token and " glyphshow ".
    static std::string ItemOfGlyph(const LoadedFont& font, unsigned glyph);

private:
    static constexpr int kFirstByte = 128;
    std::string items_[256 - kFirstByte];
};

} // namespace t42
