// PostScript code that draws a host string in a converted font: runs of
// bytes below 128 with show, every other byte by glyph name with glyphshow.
#pragma once

#include "GlyphItems.h"

namespace t42 {

// Writes the code for `text` into `out` (`outSize` bytes, zero-terminated);
// -1004 when it does not fit, what fitted having been written.
int TextOut(const GlyphItems& items, const char* text, char* out, int outSize);

} // namespace t42
