// Programs of some glyphs: which glyphs a subset carries and what they are
// called, and the tables of the TrueType file a program's sfnts rebuild,
// the font's own for the whole font and rebuilt for a subset.
#pragma once

#include "GlyphSelection.h"
#include "LoadedFont.h"
#include "SfntDirectory.h"
#include "Status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace t42 {

struct DrawnGlyph {
    std::uint32_t glyph;  // original glyph index in the font
    std::u32string text;  // the characters it stands for (a ligature: several); empty: take the font's own Unicode map
};

// The subset that draws `drawn`: those glyphs, glyph 0 and every glyph their
// composite glyphs reference (at any depth), in ascending original order.
// Each keeps the name the whole program gives it, except one other than
// glyph 0 called ".notdef" and all that would share a name, which are
// called "g<original index>". Each drawn glyph stands for the first
// non-empty text given for it, else for the lowest code point the face's
// Unicode map gives it. Refused (kBadRequest) for a glyph index past the
// font's glyphs, and (kBadFont) when the glyph records overlap so that the
// subset's glyf would be larger than the font's. Reads the face: the caller
// holds the converter's lock.
Status SelectSubset(const LoadedFont& font, const std::vector<DrawnGlyph>& drawn, GlyphSelection& selection);

// The nine tables of the file a program's sfnts carry: for the whole font
// the font's own bytes and directory entries; for a subset glyf, loca, hmtx,
// hhea, maxp and head rebuilt for its glyphs, with their checksums.
class ProgramTables {
public:
    ProgramTables(const LoadedFont& font, const GlyphSelection& selection);

    const FontTables& Tables() const { return tables_; }
    const std::uint8_t* Bytes(int table) const { return bytes_[table]; }
    bool LongLoca() const { return longLoca_; }
    std::uint64_t NumGlyphs() const { return numGlyphs_; }

    // The advance width hmtx gives glyph `written`, in font units; 0 when
    // the file lacks hhea or hmtx or its entry.
    std::uint16_t AdvanceWidth(std::uint64_t written) const;

private:
    void Rebuild(const LoadedFont& font, const GlyphSelection& selection);
    void Keep(int table, std::vector<std::uint8_t> bytes);

    FontTables tables_;
    const std::uint8_t* bytes_[kTableCount] = {};
    std::vector<std::uint8_t> rebuilt_[kTableCount];
    bool longLoca_ = false;
    std::uint64_t numGlyphs_ = 0;
};

} // namespace t42
