#include "PsCheck.h"

#include "../platform/Platform.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace pscheck {

namespace {

struct Token {
    char kind; // S string, H hex string, / literal name, N other name or number, % comment, [ ] { }
    std::string value; // decoded for strings; without the slash for literal names
    std::size_t offset;
};

bool IsWhite(char c) { return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }
bool IsDelimiter(char c) { return c != 0 && std::strchr("()<>[]{}/%", c) != nullptr; }

// Whether a name can go out as /name (else it must be (name) cvn).
bool IsPlainName(const std::string& name) {
    for (unsigned char c : name)
        if (!((c >= 0x21 && c <= 0x7E && !IsDelimiter(c)) || c >= 0xA0))
            return false;
    return !name.empty();
}

bool Fail(std::string& error, const std::string& what, std::size_t at) {
    error = what + " at byte " + std::to_string(at);
    return false;
}

// The string literal whose '(' is at `i`, as an interpreter reads it (a CR
// or CR LF as LF); `i` ends after its ')'. Escapes other than the
// converter's (\\, \(, \) and three octal digits) fail, as a string
// without its ')' does.
bool ReadString(const std::string& s, std::size_t& i, std::string& value) {
    auto octal = [&](std::size_t k) { return k < s.size() && s[k] >= '0' && s[k] <= '7'; };
    for (int depth = 1; ++i < s.size();) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '(' || s[i + 1] == ')')) {
            value += s[++i];
        } else if (c == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            value += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + s[i + 3] - '0');
            i += 3;
        } else if (c == '\\') {
            return false;
        } else if (c == ')' && --depth == 0) {
            return ++i, true;
        } else {
            depth += c == '(';
            value += c == '\r' ? '\n' : c;
            i += c == '\r' && i + 1 < s.size() && s[i + 1] == '\n';
        }
    }
    return false;
}

bool Scan(const std::string& s, std::vector<Token>& tokens, std::string& error) {
    for (std::size_t i = 0; i < s.size();) {
        char c = s[i];
        Token t{'N', std::string(), i};
        if (IsWhite(c)) {
            ++i;
            continue;
        } else if (c == '%') {
            t.kind = '%';
            while (i < s.size() && s[i] != '\n' && s[i] != '\r' && s[i] != '\f')
                ++i;
        } else if (c == '(') {
            t.kind = 'S';
            if (!ReadString(s, i, t.value))
                return Fail(error, "an unterminated string or an escape the converter does not write", t.offset);
        } else if (c == '<') {
            t.kind = 'H';
            std::string digits;
            for (++i; i < s.size() && s[i] != '>'; ++i) {
                if (std::isxdigit(static_cast<unsigned char>(s[i])))
                    digits += s[i];
                else if (!IsWhite(s[i]))
                    return Fail(error, "bad byte in a hex string", i);
            }
            if (i++ == s.size())
                return Fail(error, "unterminated hex string", t.offset);
            digits += digits.size() % 2 ? "0" : ""; // a last lone digit is followed by 0
            auto nibble = [&](std::size_t k) { return (digits[k] & 0xF) + (digits[k] > '9' ? 9 : 0); };
            for (std::size_t k = 0; k < digits.size(); k += 2)
                t.value += static_cast<char>(nibble(k) << 4 | nibble(k + 1));
        } else if (std::strchr("[]{}", c)) {
            t.kind = static_cast<char>(c);
            ++i;
        } else if (c == ')' || c == '>') {
            return Fail(error, "a byte out of place", i);
        } else {
            if (c == '/')
                t.kind = '/', ++i;
            std::size_t start = i;
            while (i < s.size() && !IsWhite(s[i]) && !IsDelimiter(s[i]))
                ++i;
            t.value = s.substr(start, i - start);
        }
        tokens.push_back(std::move(t));
    }
    return true;
}

// What a token of the shape below stands for: I an integer, R a number, S a
// string, L a literal name, B true or false, /key that literal name, [ ],
// else that executable name.
bool Matches(const Token& t, const std::string& want) {
    if (want == "I" || want == "R") {
        const std::string& v = t.value;
        std::size_t sign = !v.empty() && v[0] == '-', dots = std::count(v.begin(), v.end(), '.');
        return t.kind == 'N' && v.size() > sign + dots && dots <= (want == "R" ? 1u : 0u) &&
               v.find_first_not_of("0123456789.", sign) == std::string::npos;
    }
    if (want == "S" || want == "L" || want == "[" || want == "]" || want == "B")
        return t.kind == (want == "S" ? 'S' : want == "L" ? '/' : want == "B" ? 'N' : want[0]) &&
               (want != "B" || t.value == "true" || t.value == "false");
    return want[0] == '/' ? t.kind == '/' && t.value == want.substr(1) : t.kind == 'N' && t.value == want;
}

// A glyph name at tokens[at], /name if it is plain and (name) cvn if not,
// of at most 63 bytes; `at` moves past it.
bool GlyphName(const std::vector<Token>& t, std::size_t& at, std::string& name) {
    std::size_t n = at < t.size() && t[at].kind == '/' && IsPlainName(t[at].value) ? 1
                  : at + 1 < t.size() && t[at].kind == 'S' && !IsPlainName(t[at].value) && Matches(t[at + 1], "cvn") ? 2
                  : 0;
    if (n == 0 || t[at].value.size() > 63)
        return false;
    name = t[at].value;
    at += n;
    return true;
}

std::uint32_t U32(const std::string& s, std::uint64_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The sfnts strings: their sizes, the file they rebuild and where they break.
bool CheckSfnts(const std::vector<std::string>& strings, std::string& sfnt, std::string& error) {
    std::vector<std::uint64_t> ends;
    for (const std::string& s : strings) {
        if (s.size() < 3 || s.size() % 2 == 0 || s.size() > 65535 || s.back() != 0)
            return Fail(error, "an sfnts string of " + std::to_string(s.size()) + " bytes", sfnt.size());
        sfnt.append(s, 0, s.size() - 1);
        ends.push_back(sfnt.size());
    }
    static const char kOffsetTable[] = "\0\1\0\0\0\x09\0\x80\0\3\0\x10", kTags[] = "cvt fpgmglyfheadhheahmtxlocamaxpprep";
    if (sfnt.size() < 156 || sfnt.compare(0, 12, kOffsetTable, 12) != 0)
        return Fail(error, "sfnts does not start with a nine-table offset table", 0);
    std::uint64_t offset[9], length[9], expected = 156;
    for (int t = 0; t < 9; ++t) {
        offset[t] = U32(sfnt, 20 + 16 * t);
        length[t] = U32(sfnt, 24 + 16 * t);
        if (sfnt.compare(12 + 16 * t, 4, kTags + 4 * t, 4) != 0 || offset[t] != expected)
            return Fail(error, "sfnts directory entry " + std::to_string(t), 12 + 16 * t);
        expected += (length[t] + 3) & ~3ull;
        if (expected > sfnt.size())
            return Fail(error, "sfnts table " + std::to_string(t) + " reaches past the data", offset[t]);
    }
    if (expected != sfnt.size())
        return Fail(error, "sfnts data past the tables", expected);

    // Strings break at table starts, at even offsets inside glyf (where
    // glyphs start: the interop test's sfnts case checks which) or after
    // 65534 bytes.
    std::uint64_t start = 0;
    for (std::uint64_t end : ends) {
        bool atTable = end == sfnt.size() || std::find(offset, offset + 9, end) != offset + 9;
        bool inGlyf = end > offset[2] && end < offset[2] + length[2] && (end - offset[2]) % 2 == 0;
        if (!atTable && !inGlyf && end != start + 65534)
            return Fail(error, "an sfnts string ends neither at a table nor inside glyf", end);
        start = end;
    }
    return true;
}

const char kProgramShape[] =
    "I dict begin /FontName L def /FontType I def /FontMatrix [ I I I I I I ] def "
    "/FontBBox [ I I I I ] def /PaintType I def /FontInfo I dict dup begin "
    "/version S readonly def /Notice S readonly def /FullName S readonly def "
    "/FamilyName S readonly def /Weight S readonly def /ItalicAngle R def /isFixedPitch B def "
    "/UnderlinePosition I def /UnderlineThickness I def end readonly def "
    "/Encoding ISOLatin1Encoding ENCODING def /CharStrings I dict dup begin GLYPHS end readonly def "
    "/sfnts [ STRINGS ] def FontName currentdict end definefont pop";

} // namespace

bool CheckFontProgram(const std::string& program, ProgramFacts& facts, std::string& error) {
    facts = ProgramFacts{};
    std::vector<Token> tokens;
    if (!Scan(program, tokens, error))
        return false;
    std::size_t at = 0;
    while (at < tokens.size() && tokens[at].kind == '%') // the header comments; none after them
        ++at;

    std::istringstream shape(kProgramShape);
    long count = 0; // the last integer: CharStrings' size at GLYPHS
    std::vector<std::string> strings, encoded;
    for (std::string want; shape >> want;) {
        std::size_t where = at < tokens.size() ? tokens[at].offset : program.size();
        if (want == "GLYPHS") {
            int notdefs = 0;
            for (std::string name; GlyphName(tokens, at, name); at += 2) {
                where = tokens[at - 1].offset;
                if (at + 1 >= tokens.size() || !Matches(tokens[at], "I") || !Matches(tokens[at + 1], "def"))
                    return Fail(error, "a CharStrings entry without its index", where);
                long index = std::strtol(tokens[at].value.c_str(), nullptr, 10);
                if (index < 0 || index >= std::max(count, 1L) || static_cast<long>(facts.glyphs.size()) > count)
                    return Fail(error, "glyph index " + std::to_string(index) + " of " + std::to_string(count), where);
                notdefs += name == ".notdef";
                facts.glyphs[name] = index;
            }
            if (notdefs != 1)
                return Fail(error, "CharStrings defines .notdef " + std::to_string(notdefs) + " times", where);
        } else if (want == "ENCODING") {
            // Nothing, or a copy in which bytes 39, 45 and 96 (some, in that
            // order) name glyphs that CharStrings defines.
            if (at + 2 < tokens.size() && Matches(tokens[at], "I") && tokens[at].value == "256") {
                if (!Matches(tokens[at + 1], "array") || !Matches(tokens[at + 2], "copy"))
                    return Fail(error, "expected 256 array copy", where);
                at += 3;
                long previous = 0;
                for (std::string name; at + 1 < tokens.size() && Matches(tokens[at], "dup");) {
                    long byte = std::strtol(tokens[++at].value.c_str(), nullptr, 10);
                    if (!Matches(tokens[at++], "I") || (byte != 39 && byte != 45 && byte != 96) || byte <= previous ||
                        !GlyphName(tokens, at, name) || at >= tokens.size() || !Matches(tokens[at++], "put"))
                        return Fail(error, "an Encoding entry out of place", tokens[at - 1].offset);
                    previous = byte;
                    encoded.push_back(name);
                }
                if (encoded.empty())
                    return Fail(error, "a copied Encoding without entries", where);
            }
        } else if (want == "STRINGS") {
            for (; at < tokens.size() && tokens[at].kind == 'H'; ++at)
                strings.push_back(tokens[at].value);
        } else if (at < tokens.size() && Matches(tokens[at], want)) {
            if (want == "I")
                count = std::strtol(tokens[at].value.c_str(), nullptr, 10);
            if (want == "L")
                facts.fontName = tokens[at].value;
            ++at;
        } else {
            return Fail(error, "expected " + want, where);
        }
    }
    if (at != tokens.size())
        return Fail(error, "more after the font", tokens[at].offset);
    for (const std::string& name : encoded)
        if (!facts.glyphs.count(name))
            return Fail(error, "Encoding names a glyph that CharStrings lacks", 0);
    if (facts.fontName.size() > 127 || (!facts.fontName.empty() && !IsPlainName(facts.fontName)))
        return Fail(error, "font name not a plain name of at most 127 bytes", 0);
    return CheckSfnts(strings, facts.sfnt, error);
}

bool CheckDrawingCode(const std::string& code, const std::string& text, bool prefix,
                      std::vector<std::string>& glyphNames, std::string& error, std::uint32_t codePage) {
    glyphNames.clear();
    std::vector<Token> tokens;
    if (!Scan(code, tokens, error))
        return false;
    std::size_t at = 0, done = 0;
    while (at < tokens.size() && done < text.size()) {
        std::size_t where = tokens[at].offset;
        if (static_cast<unsigned char>(text[done]) < 128) {
            std::size_t end = done;
            while (end < text.size() && static_cast<unsigned char>(text[end]) < 128)
                ++end;
            std::string run = text.substr(done, end - done);
            for (std::size_t cr; (cr = run.find('\r')) != std::string::npos;)
                run.replace(cr, run.compare(cr, 2, "\r\n") == 0 ? 2 : 1, "\n");
            if (at + 1 >= tokens.size() || tokens[at].kind != 'S' || !Matches(tokens[at + 1], "show") ||
                tokens[at].value != run)
                return Fail(error, "expected the show item of the run at text byte " + std::to_string(done), where);
            at += 2;
            done = end;
        } else {
            std::string name;
            if (!GlyphName(tokens, at, name) || at >= tokens.size() || !Matches(tokens[at++], "glyphshow"))
                return Fail(error, "expected the glyph item of text byte " + std::to_string(done), where);
            glyphNames.push_back(name);
            // A lead byte takes the byte after it into its item.
            done += platform::IsLeadByteOf(codePage, static_cast<unsigned char>(text[done])) && done + 1 < text.size() ? 2 : 1;
        }
    }
    if (at != tokens.size())
        return Fail(error, "more items than the text has", tokens[at].offset);
    if (!prefix && done != text.size())
        return Fail(error, "items for only " + std::to_string(done) + " of the text's bytes", code.size());
    return true;
}

} // namespace pscheck
