// The text a PDF gives back for its glyphs. Extractors read glyphs in
// drawing order and turn right-to-left runs around themselves, so the text
// of a cluster is given as it is drawn: reversed in a right-to-left run.
// Each glyph maps, through the font's ToUnicode CMap, to the text it was
// first seen standing for alone; a cluster whose glyphs do not give its
// text back that way carries its text as ActualText.
#pragma once

#include <string>
#include <vector>

namespace print {

// The cluster's characters as drawn: without the bidi controls, which
// order text but are not part of it; reversed for a right-to-left run.
std::u32string DrawnText(const std::u32string& clusterText, bool rightToLeft);

// Whether the character is drawn and given back as itself: DrawnText and
// GlyphText keep it. Printable ASCII always is.
bool StandsForItselfPastAscii(char32_t c);
inline bool StandsForItself(char32_t c) { return (c >= 0x20 && c < 0x7F) || StandsForItselfPastAscii(c); }

// What one glyph standing for `drawn` maps to: the characters that show,
// without joiners, variation selectors and other default ignorables. Empty
// when nothing shows or the text is too long for a CMap entry.
std::u32string GlyphText(const std::u32string& drawn);

// A ToUnicode CMap mapping CID i to texts[i]; empty texts are left out.
std::string ToUnicodeCMap(const std::vector<std::u32string>& texts);

} // namespace print
