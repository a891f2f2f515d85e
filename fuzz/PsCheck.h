// Proof that the library's output stays data, for the fuzzers and the
// hostile-font driver: a small PostScript scanner reads the output as an
// interpreter would, and the token stream must have the converter's shape,
// so any text from a font or a host that escaped its string or name shows
// up as a token out of place.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pscheck {

struct ProgramFacts {
    std::string fontName;
    std::map<std::string, long> glyphs; // CharStrings: name -> glyph index, later entries win
    std::string sfnt;                   // the TrueType file the sfnts strings rebuild
};

// A font program: header comments, then exactly the converter's dictionary
// (fixed keys and operators, the five FontInfo strings, Encoding or a copy
// of it naming CharStrings glyphs for bytes 39, 45 and 96, CharStrings entries
// each written as /name or (name) cvn as the name needs, .notdef once) and
// sfnts strings that rebuild one nine-table TrueType file, each an even
// number of bytes up to 65534 plus an extra zero, breaking only at table
// starts, at even offsets inside glyf, or after 65534 bytes. Strings take
// only the converter's escapes: \\, \(, \) and three octal digits.
bool CheckFontProgram(const std::string& program, ProgramFacts& facts, std::string& error);

// Drawing code for `text`: only "(...) show", "/name glyphshow" and
// "(...) cvn glyphshow" items between blanks and line feeds, the show
// strings being the text's runs of bytes below 128 (a CR read back as LF)
// and one glyph item for every other byte (with the byte after it when it
// is a lead byte of `codePage`), in order. With `prefix` the items
// may stop early, as in a cut output. The glyph names go to `glyphNames`.
bool CheckDrawingCode(const std::string& code, const std::string& text, bool prefix,
                      std::vector<std::string>& glyphNames, std::string& error, std::uint32_t codePage = 0);

} // namespace pscheck
