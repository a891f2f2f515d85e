// Which glyphs a font program carries and the index each is written under.
#pragma once

#include <cstdint>
#include <vector>

namespace t42 {

struct GlyphPair {
    std::uint32_t original; // the glyph's index in the font file
    std::uint32_t written;  // its index in the program
};

class GlyphSelection {
public:
    // Every glyph under its own index: the whole font.
    static GlyphSelection WholeFont(std::uint32_t numGlyphs) {
        GlyphSelection selection;
        selection.pairs_.reserve(numGlyphs);
        for (std::uint32_t glyph = 0; glyph < numGlyphs; ++glyph)
            selection.pairs_.push_back({glyph, glyph});
        return selection;
    }

    const std::vector<GlyphPair>& Pairs() const { return pairs_; }
    std::size_t Size() const { return pairs_.size(); }

private:
    std::vector<GlyphPair> pairs_; // in written order
};

} // namespace t42
