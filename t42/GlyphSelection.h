// Which glyphs a font program carries and the index each is written under.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace t42 {

struct GlyphPair {
    std::uint32_t original; // the glyph's index in the font file
    std::uint32_t written;  // its index in the program
};

class GlyphSelection {
public:
    // Every glyph under its own index: the whole font, named by the font's
    // glyph namer.
    static GlyphSelection WholeFont(std::uint32_t numGlyphs) {
        GlyphSelection selection;
        selection.pairs_.reserve(numGlyphs);
        for (std::uint32_t glyph = 0; glyph < numGlyphs; ++glyph)
            selection.pairs_.push_back({glyph, glyph});
        return selection;
    }

    // Some glyphs: `originals` (ascending, without repeats, glyph 0 first)
    // written as 0, 1, 2, ..., each under its name in `names` and standing
    // for the text in `texts` (empty: none).
    static GlyphSelection Subset(const std::vector<std::uint32_t>& originals, std::vector<std::string> names,
                                 std::vector<std::u32string> texts) {
        GlyphSelection selection;
        selection.subset_ = true;
        for (std::uint32_t written = 0; written < originals.size(); ++written)
            selection.pairs_.push_back({originals[written], written});
        selection.names_ = std::move(names);
        selection.texts_ = std::move(texts);
        return selection;
    }

    const std::vector<GlyphPair>& Pairs() const { return pairs_; }
    std::size_t Size() const { return pairs_.size(); }

    // Subsets only: the name and text of the glyph written at `written`, and
    // where an original glyph is written (Size() when it is not selected).
    bool IsSubset() const { return subset_; }
    const std::string& Name(std::size_t written) const { return names_[written]; }
    const std::u32string& Text(std::size_t written) const { return texts_[written]; }
    std::size_t WrittenIndex(std::uint32_t original) const {
        auto at = std::lower_bound(pairs_.begin(), pairs_.end(), original,
                                   [](const GlyphPair& pair, std::uint32_t glyph) { return pair.original < glyph; });
        return at != pairs_.end() && at->original == original ? at->written : pairs_.size();
    }

private:
    std::vector<GlyphPair> pairs_; // in written order
    bool subset_ = false;
    std::vector<std::string> names_;
    std::vector<std::u32string> texts_;
};

} // namespace t42
