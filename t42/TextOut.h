// PostScript code that draws a host string in a converted font: runs of
// bytes below 128 with show, every other character by glyph name with
// glyphshow.
#pragma once

#include "GlyphItems.h"

namespace t42 {

// Writes the code for `text`, 8-bit in the font's code page, into `out`
// (`outSize` bytes, zero-terminated): a byte of 128 or more is one glyph
// item, or with the byte after it when it is a lead byte of a double-byte
// code page and that byte is not the end. -1004 when it does not fit, what
// fitted having been written.
int TextOut(const GlyphItems& items, const char* text, char* out, int outSize);

// The same for UTF-8 text, each character of U+0080 or more by the glyph
// the face's Unicode map gives it. -1005, with `out` untouched, when the
// text is not UTF-8.
int TextOutUtf8(const GlyphItems& items, const char* text, char* out, int outSize);

} // namespace t42
