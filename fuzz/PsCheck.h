// A small PostScript scanner and the shapes the library's output must have,
// shared by the fuzzers and the hostile-font driver. It reads bytes the way
// an interpreter's scanner does, so text from a font or a host that escaped
// its string or name shows up as a token out of place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pscheck {

enum class Kind {
    String,      // (...) decoded
    HexString,   // <...> decoded
    LiteralName, // /name, without the slash
    ExecName,    // name
    Number,
    ArrayOpen,
    ArrayClose,
    ProcOpen,
    ProcClose,
    Comment, // text after the %
};

struct Token {
    Kind kind;
    std::string value;
    std::size_t offset; // first byte
    std::size_t end;    // one past the last byte
    bool lineStart;     // nothing but white space before it on its line
};

// Scans `text` into tokens. False, with the reason in `error`, on what no
// plain token stream holds: binary-token bytes (0x80-0x9F) outside strings
// and comments, unterminated strings, bad hex strings, '<<', '>>', '//'.
bool Scan(const std::string& text, std::vector<Token>& tokens, std::string& error);

// Whether a glyph name goes out as /name (else as (name) cvn).
bool IsPlainName(const std::string& name);

struct ProgramFacts {
    std::string fontName;
    std::map<std::string, std::string> fontInfo; // the five strings, decoded
    std::vector<std::pair<std::string, long>> charStrings; // in program order
    std::map<std::string, long> glyphs; // name -> glyph index, later entries win
    long dictSize = 0;
    std::string sfnt; // the TrueType file the sfnts strings rebuild
};

// Checks that a font program has exactly the converter's shape: header
// comments, the font dictionary's entries in order, FontInfo strings,
// CharStrings entries (each name in its canonical form, .notdef once), an
// Encoding that is ISOLatin1Encoding or a copy of it naming CharStrings
// glyphs at bytes 39, 45 and 96, and
// sfnts strings that rebuild one nine-table TrueType file, each string an
// even number of bytes up to 65534 plus its extra zero, breaking only at
// table starts, glyph starts or after 65534 bytes when neither is in reach.
bool CheckFontProgram(const std::string& program, ProgramFacts& facts, std::string& error);

// Checks drawing code for `text`: only "(...) show", "/name glyphshow" and
// "(...) cvn glyphshow" items separated by blanks and line breaks, whose
// show strings are the text's runs of bytes below 128 (a CR read back as
// LF) and with one glyph item for every other byte, in order (for a lead
// byte of `codePage` and the byte after it, when there is one, one item).
// With `prefix` the items may stop early, as in a cut output. The glyph
// names are given in `glyphNames`.
bool CheckDrawingCode(const std::string& code, const std::string& text, bool prefix,
                      std::vector<std::string>& glyphNames, std::string& error, std::uint32_t codePage = 0);

// What a string literal reads back as: CR LF and a lone CR become LF.
std::string ReadBackLineEnds(const std::string& text);

} // namespace pscheck
