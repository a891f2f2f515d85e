// Programs of some glyphs: which glyphs a subset carries and what they are
// called, and the tables of the TrueType file a subset's program carries.
#pragma once

#include "GlyphSelection.h"
#include "LoadedFont.h"
#include "ProgramTables.h"
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

// Puts in `tables` (the font's own) the nine tables of the subset
// `selection` of `font`, as HarfBuzz's subsetter makes them from the font's
// file: exactly the selection's glyphs, in its order, with their
// instructions. Refused (kBadFont) when the subsetter fails or its subset
// holds another number of glyphs.
Status MakeSubsetTables(const LoadedFont& font, const GlyphSelection& selection, ProgramTables& tables);

} // namespace t42
