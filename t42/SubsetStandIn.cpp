// TEMPORARY stand-in for TTPost42::SubsetProgram until the subsetter is
// merged: the whole program, and each glyph's token from the text output's
// glyph items. Delete this file (and its line in cli/CMakeLists.txt) when
// the real SubsetProgram lands.
#include "TTPost42.h"

namespace t42 {

Status TTPost42::SubsetProgram(const std::vector<DrawnGlyph>& glyphs, OutputBuffer& program,
                               std::vector<std::string>& tokens) const {
    program.Append(program_.Data(), program_.Size());
    static const std::string kGlyphShow = " glyphshow ";
    tokens.clear();
    tokens.reserve(glyphs.size());
    for (const DrawnGlyph& drawn : glyphs) {
        std::string item = GlyphItems::ItemOfGlyph(Font(), drawn.glyph);
        item.resize(item.size() - kGlyphShow.size());
        tokens.push_back(item);
    }
    return Status();
}

} // namespace t42
