#include "PsCheck.h"

#include "../platform/Platform.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace pscheck {

namespace {

bool IsWhite(unsigned char c) { return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }
bool IsDelimiter(unsigned char c) { return c != 0 && std::strchr("()<>[]{}/%", c) != nullptr; }
bool IsBinaryTokenByte(unsigned char c) { return c >= 0x80 && c <= 0x9F; }
bool IsEol(unsigned char c) { return c == '\n' || c == '\r' || c == '\f'; }

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsNumber(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        std::size_t exponent = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i, ++exponent;
        if (exponent == 0)
            return false;
    }
    return i == s.size();
}

bool IsInteger(const Token& t) {
    if (t.kind != Kind::Number || t.value.empty())
        return false;
    std::size_t i = t.value[0] == '-' || t.value[0] == '+' ? 1 : 0;
    if (i == t.value.size())
        return false;
    for (; i < t.value.size(); ++i)
        if (t.value[i] < '0' || t.value[i] > '9')
            return false;
    return true;
}

std::string Where(std::size_t offset) { return " at byte " + std::to_string(offset); }

std::string Printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s.substr(0, 80)) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

// Reads a string literal whose '(' is at `i`; leaves `i` after the ')'.
bool ReadString(const std::string& text, std::size_t& i, std::string& value, std::string& error) {
    std::size_t start = i++;
    int depth = 1;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i++]);
        if (c == '\\') {
            if (i >= text.size())
                break;
            unsigned char d = static_cast<unsigned char>(text[i++]);
            switch (d) {
            case 'n': value += '\n'; break;
            case 'r': value += '\r'; break;
            case 't': value += '\t'; break;
            case 'b': value += '\b'; break;
            case 'f': value += '\f'; break;
            case '\n': break; // a line continuation
            case '\r':
                if (i < text.size() && text[i] == '\n')
                    ++i;
                break;
            default:
                if (d >= '0' && d <= '7') {
                    int code = d - '0';
                    for (int n = 1; n < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++n)
                        code = code * 8 + (text[i++] - '0');
                    value += static_cast<char>(code & 0xFF);
                } else {
                    value += static_cast<char>(d); // \\ \( \) and any other byte stand for themselves
                }
            }
        } else if (c == '(') {
            ++depth;
            value += '(';
        } else if (c == ')') {
            if (--depth == 0)
                return true;
            value += ')';
        } else if (c == '\r') {
            value += '\n';
            if (i < text.size() && text[i] == '\n')
                ++i;
        } else {
            value += static_cast<char>(c);
        }
    }
    error = "unterminated string" + Where(start);
    return false;
}

} // namespace

std::string ReadBackLineEnds(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool Scan(const std::string& text, std::vector<Token>& tokens, std::string& error) {
    tokens.clear();
    bool lineStart = true;
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsWhite(c)) {
            if (IsEol(c))
                lineStart = true;
            ++i;
            continue;
        }
        Token token{Kind::ExecName, std::string(), i, i, lineStart};
        lineStart = false;
        if (c == '%') {
            std::size_t end = i + 1;
            while (end < text.size() && !IsEol(static_cast<unsigned char>(text[end])))
                ++end;
            token.kind = Kind::Comment;
            token.value = text.substr(i + 1, end - i - 1);
            i = end;
        } else if (c == '(') {
            token.kind = Kind::String;
            if (!ReadString(text, i, token.value, error))
                return false;
        } else if (c == '<') {
            if (i + 1 < text.size() && text[i + 1] == '<') {
                error = "'<<'" + Where(i);
                return false;
            }
            token.kind = Kind::HexString;
            int high = -1;
            for (++i;; ++i) {
                if (i >= text.size()) {
                    error = "unterminated hex string" + Where(token.offset);
                    return false;
                }
                unsigned char h = static_cast<unsigned char>(text[i]);
                if (h == '>')
                    break;
                if (IsWhite(h))
                    continue;
                int v = HexValue(h);
                if (v < 0) {
                    error = "bad byte in hex string" + Where(i);
                    return false;
                }
                if (high < 0) {
                    high = v;
                } else {
                    token.value += static_cast<char>(high << 4 | v);
                    high = -1;
                }
            }
            if (high >= 0)
                token.value += static_cast<char>(high << 4);
            ++i;
        } else if (c == '>' || c == ')') {
            error = std::string("stray '") + static_cast<char>(c) + "'" + Where(i);
            return false;
        } else if (c == '[' || c == ']' || c == '{' || c == '}') {
            token.kind = c == '[' ? Kind::ArrayOpen : c == ']' ? Kind::ArrayClose
                       : c == '{' ? Kind::ProcOpen : Kind::ProcClose;
            ++i;
        } else if (IsBinaryTokenByte(c)) {
            error = "binary-token byte outside a string" + Where(i);
            return false;
        } else {
            bool literal = c == '/';
            if (literal) {
                ++i;
                if (i < text.size() && text[i] == '/') {
                    error = "immediate name" + Where(i);
                    return false;
                }
            }
            std::size_t end = i;
            while (end < text.size()) {
                unsigned char n = static_cast<unsigned char>(text[end]);
                if (IsWhite(n) || IsDelimiter(n))
                    break;
                if (IsBinaryTokenByte(n)) {
                    error = "binary-token byte inside a name" + Where(end);
                    return false;
                }
                ++end;
            }
            token.value = text.substr(i, end - i);
            token.kind = literal ? Kind::LiteralName : IsNumber(token.value) ? Kind::Number : Kind::ExecName;
            i = end;
        }
        token.end = i;
        tokens.push_back(std::move(token));
    }
    return true;
}

bool IsPlainName(const std::string& name) {
    if (name.empty())
        return false;
    for (unsigned char c : name) {
        bool regular = (c >= 0x21 && c <= 0x7E && !IsDelimiter(c)) || c >= 0xA0;
        if (!regular)
            return false;
    }
    return true;
}

namespace {

// Walks a token stream against the shape it must have.
class Cursor {
public:
    Cursor(const std::vector<Token>& tokens, std::string& error) : tokens_(tokens), error_(error) {}

    bool AtEnd() const { return at_ >= tokens_.size(); }
    const Token* Peek(std::size_t ahead = 0) const {
        return at_ + ahead < tokens_.size() ? &tokens_[at_ + ahead] : nullptr;
    }
    const Token* Take(Kind kind, const char* what) {
        const Token* t = Peek();
        if (!t || t->kind != kind)
            return Fail(std::string("expected ") + what);
        ++at_;
        return t;
    }
    bool Exec(const char* name) {
        const Token* t = Peek();
        if (!t || t->kind != Kind::ExecName || t->value != name)
            return Fail(std::string("expected ") + name) != nullptr;
        ++at_;
        return true;
    }
    bool Literal(const char* name) {
        const Token* t = Peek();
        if (!t || t->kind != Kind::LiteralName || t->value != name)
            return Fail(std::string("expected /") + name) != nullptr;
        ++at_;
        return true;
    }
    bool Integer(long* value = nullptr) {
        const Token* t = Peek();
        if (!t || !IsInteger(*t))
            return Fail("expected an integer") != nullptr;
        if (value)
            *value = std::strtol(t->value.c_str(), nullptr, 10);
        ++at_;
        return true;
    }
    const Token* Fail(const std::string& what) {
        const Token* t = Peek();
        error_ = what + (t ? ", found '" + Printable(t->value) + "'" + Where(t->offset) : ", found the end");
        return nullptr;
    }

private:
    const std::vector<Token>& tokens_;
    std::string& error_;
    std::size_t at_ = 0;
};

std::uint32_t U32(const std::string& s, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8 |
           static_cast<unsigned char>(s[at + 3]);
}

std::uint16_t U16(const std::string& s, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) << 8 | static_cast<unsigned char>(s[at + 1]));
}

constexpr std::uint32_t kTags[9] = {0x63767420, 0x6670676D, 0x676C7966, 0x68656164, 0x68686561,
                                    0x686D7478, 0x6C6F6361, 0x6D617870, 0x70726570};
enum { kGlyf = 2, kHead = 3, kLoca = 6, kMaxp = 7 };

// The sfnts strings: lengths, the rebuilt file's directory and padding, and
// where each string ends.
bool CheckSfnts(const std::vector<std::string>& strings, std::string& sfnt, std::string& error) {
    std::vector<std::uint64_t> ends;
    sfnt.clear();
    for (std::size_t n = 0; n < strings.size(); ++n) {
        const std::string& s = strings[n];
        std::size_t data = s.empty() ? 0 : s.size() - 1;
        if (s.empty() || s.back() != 0 || data == 0 || data % 2 != 0 || data > 65534) {
            error = "sfnts string " + std::to_string(n) + " holds " + std::to_string(s.size()) +
                    " bytes; each needs an even count from 2 to 65534 and one extra zero";
            return false;
        }
        sfnt.append(s, 0, data);
        ends.push_back(sfnt.size());
    }
    if (sfnt.size() < 156 || U32(sfnt, 0) != 0x00010000 || U16(sfnt, 4) != 9 || U16(sfnt, 6) != 0x80 ||
        U16(sfnt, 8) != 3 || U16(sfnt, 10) != 0x10) {
        error = "sfnts does not start with a nine-table offset table";
        return false;
    }
    std::uint64_t offsets[9], lengths[9];
    std::uint64_t expected = 156;
    for (int t = 0; t < 9; ++t) {
        std::size_t at = 12 + 16 * t;
        offsets[t] = U32(sfnt, at + 8);
        lengths[t] = U32(sfnt, at + 12);
        if (U32(sfnt, at) != kTags[t] || offsets[t] != expected) {
            error = "sfnts directory entry " + std::to_string(t) + " has the wrong tag or offset";
            return false;
        }
        expected += (lengths[t] + 3) & ~3ull;
        if (expected > sfnt.size()) {
            error = "sfnts table " + std::to_string(t) + " reaches past the data";
            return false;
        }
        for (std::uint64_t p = offsets[t] + lengths[t]; p < expected; ++p)
            if (sfnt[p] != 0) {
                error = "sfnts table padding is not zero";
                return false;
            }
    }
    if (expected != sfnt.size()) {
        error = "sfnts holds " + std::to_string(sfnt.size()) + " bytes, its directory " + std::to_string(expected);
        return false;
    }

    // Where strings may end: table starts, and inside a long glyf the even
    // glyph offsets of its loca.
    std::set<std::uint64_t> points;
    for (int t = 0; t < 9; ++t)
        if (lengths[t] != 0)
            points.insert(offsets[t]);
    points.insert(sfnt.size());
    if (lengths[kGlyf] > 65534 && lengths[kLoca] != 0 && lengths[kHead] >= 54 && lengths[kMaxp] >= 6) {
        bool longFormat = U16(sfnt, offsets[kHead] + 50) != 0;
        std::uint64_t count = U16(sfnt, offsets[kMaxp] + 4) + 1ull;
        std::uint64_t size = longFormat ? 4 : 2;
        if (count > lengths[kLoca] / size)
            count = lengths[kLoca] / size;
        for (std::uint64_t g = 0; g < count; ++g) {
            std::uint64_t at = offsets[kLoca] + size * g;
            std::uint64_t offset = longFormat ? U32(sfnt, at) : 2ull * U16(sfnt, at);
            if (offset > lengths[kGlyf])
                offset = lengths[kGlyf];
            if (offset % 2 == 0)
                points.insert(offsets[kGlyf] + offset);
        }
    }
    std::uint64_t start = 0;
    for (std::uint64_t end : ends) {
        bool allowed = points.count(end) != 0;
        if (!allowed && end == start + 65534) {
            auto next = points.upper_bound(start);
            allowed = next == points.end() || *next > end; // nothing to break at in reach
        }
        if (!allowed) {
            error = "an sfnts string ends at " + std::to_string(end) +
                    ", neither a table nor a glyph start";
            return false;
        }
        start = end;
    }
    return true;
}

} // namespace

bool CheckFontProgram(const std::string& program, ProgramFacts& facts, std::string& error) {
    facts = ProgramFacts{};
    std::vector<Token> tokens;
    if (!Scan(program, tokens, error))
        return false;
    if (program.compare(0, 18, "%!PS-TrueTypeFont-") != 0) {
        error = "the program does not start with %!PS-TrueTypeFont-";
        return false;
    }
    Cursor c(tokens, error);
    // Header comments, each on a line of its own; none anywhere else.
    while (c.Peek() && c.Peek()->kind == Kind::Comment) {
        if (!c.Peek()->lineStart)
            return c.Fail("a comment inside a line") != nullptr;
        c.Take(Kind::Comment, "comment");
    }
    if (c.AtEnd())
        return c.Fail("expected the font dictionary") != nullptr;
    for (const Token& t : tokens)
        if (t.kind == Kind::Comment && t.offset > c.Peek()->offset) {
            error = "a comment after the header" + Where(t.offset);
            return false;
        }

    if (!c.Integer() || !c.Exec("dict") || !c.Exec("begin"))
        return false;
    if (!c.Literal("FontName"))
        return false;
    const Token* name = c.Take(Kind::LiteralName, "the font name");
    if (!name || !c.Exec("def"))
        return false;
    facts.fontName = name->value;
    if (facts.fontName.size() > 127 || (!facts.fontName.empty() && !IsPlainName(facts.fontName))) {
        error = "font name '" + Printable(facts.fontName) + "' is not a plain name of at most 127 bytes";
        return false;
    }
    if (!c.Literal("FontType") || !c.Integer() || !c.Exec("def"))
        return false;
    if (!c.Literal("FontMatrix") || !c.Take(Kind::ArrayOpen, "["))
        return false;
    for (int n = 0; n < 6; ++n)
        if (!c.Integer())
            return false;
    if (!c.Take(Kind::ArrayClose, "]") || !c.Exec("def"))
        return false;
    if (!c.Literal("FontBBox") || !c.Take(Kind::ArrayOpen, "["))
        return false;
    for (int n = 0; n < 4; ++n)
        if (!c.Integer())
            return false;
    if (!c.Take(Kind::ArrayClose, "]") || !c.Exec("def"))
        return false;
    if (!c.Literal("PaintType") || !c.Integer() || !c.Exec("def"))
        return false;
    if (!c.Literal("FontInfo") || !c.Integer() || !c.Exec("dict") || !c.Exec("dup") || !c.Exec("begin"))
        return false;
    for (const char* key : {"version", "Notice", "FullName", "FamilyName", "Weight"}) {
        if (!c.Literal(key))
            return false;
        const Token* value = c.Take(Kind::String, "a string");
        if (!value || !c.Exec("readonly") || !c.Exec("def"))
            return false;
        facts.fontInfo[key] = value->value;
    }
    if (!c.Literal("ItalicAngle") || !c.Take(Kind::Number, "a number") || !c.Exec("def"))
        return false;
    if (!c.Literal("isFixedPitch"))
        return false;
    const Token* pitch = c.Take(Kind::ExecName, "true or false");
    if (!pitch)
        return false;
    if (pitch->value != "true" && pitch->value != "false") {
        error = "isFixedPitch is neither true nor false";
        return false;
    }
    if (!c.Exec("def"))
        return false;
    if (!c.Literal("UnderlinePosition") || !c.Integer() || !c.Exec("def"))
        return false;
    if (!c.Literal("UnderlineThickness") || !c.Integer() || !c.Exec("def"))
        return false;
    if (!c.Exec("end") || !c.Exec("readonly") || !c.Exec("def"))
        return false;
    // ISOLatin1Encoding, or a copy of it in which bytes 39, 45 and 96 (some
    // of them, in that order) name glyphs of CharStrings.
    if (!c.Literal("Encoding") || !c.Exec("ISOLatin1Encoding"))
        return false;
    std::vector<std::string> encoded;
    const Token* copy = c.Peek();
    if (copy && copy->kind == Kind::Number) {
        long size = 0;
        if (!c.Integer(&size) || size != 256 || !c.Exec("array") || !c.Exec("copy"))
            return c.Fail("expected 256 array copy") != nullptr;
        long previous = 0;
        while (c.Peek() && c.Peek()->kind == Kind::ExecName && c.Peek()->value == "dup") {
            long byte = 0;
            c.Exec("dup");
            if (!c.Integer(&byte))
                return false;
            if ((byte != 39 && byte != 45 && byte != 96) || byte <= previous)
                return c.Fail("Encoding entry " + std::to_string(byte) + " out of place") != nullptr;
            previous = byte;
            const Token* glyphName = c.Peek();
            if (glyphName && glyphName->kind == Kind::LiteralName && IsPlainName(glyphName->value)) {
                c.Take(Kind::LiteralName, "name");
            } else if (glyphName && glyphName->kind == Kind::String && !IsPlainName(glyphName->value)) {
                c.Take(Kind::String, "string");
                if (!c.Exec("cvn"))
                    return false;
            } else {
                return c.Fail("expected a glyph name in its canonical form") != nullptr;
            }
            encoded.push_back(glyphName->value);
            if (!c.Exec("put"))
                return false;
        }
        if (encoded.empty())
            return c.Fail("expected an Encoding entry") != nullptr;
    }
    if (!c.Exec("def"))
        return false;

    if (!c.Literal("CharStrings") || !c.Integer(&facts.dictSize) || !c.Exec("dict") || !c.Exec("dup") ||
        !c.Exec("begin"))
        return false;
    int notdefs = 0;
    while (c.Peek() && !(c.Peek()->kind == Kind::ExecName && c.Peek()->value == "end")) {
        const Token* t = c.Peek();
        std::string glyph;
        if (t->kind == Kind::LiteralName) {
            glyph = t->value;
            c.Take(Kind::LiteralName, "name");
            if (!IsPlainName(glyph))
                return c.Fail("glyph name '" + Printable(glyph) + "' written as a literal name") != nullptr;
        } else if (t->kind == Kind::String) {
            glyph = t->value;
            c.Take(Kind::String, "string");
            if (!c.Exec("cvn"))
                return false;
            if (IsPlainName(glyph))
                return c.Fail("plain glyph name '" + glyph + "' written as a string") != nullptr;
        } else {
            return c.Fail("expected a glyph name") != nullptr;
        }
        long index = 0;
        if (!c.Integer(&index) || !c.Exec("def"))
            return false;
        if (glyph.size() > 63 || index < 0 || index >= (facts.dictSize > 0 ? facts.dictSize : 1)) {
            error = "CharStrings entry '" + Printable(glyph) + "' " + std::to_string(index) + " is out of range";
            return false;
        }
        if (glyph == ".notdef")
            ++notdefs;
        facts.charStrings.emplace_back(glyph, index);
        facts.glyphs[glyph] = index;
    }
    if (notdefs != 1) {
        error = "CharStrings defines .notdef " + std::to_string(notdefs) + " times";
        return false;
    }
    for (const std::string& glyph : encoded)
        if (!facts.glyphs.count(glyph)) {
            error = "Encoding names '" + Printable(glyph) + "', which CharStrings lacks";
            return false;
        }
    if (static_cast<long>(facts.charStrings.size()) > facts.dictSize + 1) {
        error = "CharStrings has more entries than glyphs";
        return false;
    }
    if (!c.Exec("end") || !c.Exec("readonly") || !c.Exec("def"))
        return false;

    if (!c.Literal("sfnts") || !c.Take(Kind::ArrayOpen, "["))
        return false;
    std::vector<std::string> strings;
    while (c.Peek() && c.Peek()->kind == Kind::HexString)
        strings.push_back(c.Take(Kind::HexString, "hex string")->value);
    if (!c.Take(Kind::ArrayClose, "]") || !c.Exec("def"))
        return false;
    if (!CheckSfnts(strings, facts.sfnt, error))
        return false;
    if (!c.Exec("FontName") || !c.Exec("currentdict") || !c.Exec("end") || !c.Exec("definefont") ||
        !c.Exec("pop"))
        return false;
    if (!c.AtEnd())
        return c.Fail("expected the end of the program") != nullptr;
    return true;
}

bool CheckDrawingCode(const std::string& code, const std::string& text, bool prefix,
                      std::vector<std::string>& glyphNames, std::string& error, std::uint32_t codePage) {
    glyphNames.clear();
    std::vector<Token> tokens;
    if (!Scan(code, tokens, error))
        return false;
    // Between tokens only blanks and line feeds.
    std::size_t last = 0;
    for (std::size_t n = 0; n <= tokens.size(); ++n) {
        std::size_t next = n < tokens.size() ? tokens[n].offset : code.size();
        for (std::size_t i = last; i < next; ++i)
            if (code[i] != ' ' && code[i] != '\n') {
                error = "byte " + std::to_string(static_cast<unsigned char>(code[i])) + " between items" + Where(i);
                return false;
            }
        if (n < tokens.size())
            last = tokens[n].end;
    }

    // The items the text asks for.
    struct Item {
        bool run;
        std::string bytes; // the run, or the one byte
    };
    std::vector<Item> expected;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 128) {
            if (expected.empty() || !expected.back().run)
                expected.push_back({true, std::string()});
            expected.back().bytes += static_cast<char>(byte);
        } else {
            expected.push_back({false, std::string(1, static_cast<char>(byte))});
            if (platform::IsLeadByteOf(codePage, byte) && i + 1 < text.size())
                expected.back().bytes += text[++i];
        }
    }

    Cursor c(tokens, error);
    std::size_t item = 0;
    while (!c.AtEnd()) {
        if (item >= expected.size())
            return c.Fail("more items than the text has") != nullptr;
        const Token* first = c.Peek();
        const Token* second = c.Peek(1);
        if (expected[item].run) {
            if (first->kind != Kind::String || !second || second->kind != Kind::ExecName || second->value != "show")
                return c.Fail("expected a show item") != nullptr;
            if (first->value != ReadBackLineEnds(expected[item].bytes))
                return c.Fail("show string '" + Printable(first->value) + "' is not the text's run '" +
                              Printable(expected[item].bytes) + "'") != nullptr;
            c.Take(Kind::String, "string");
            c.Exec("show");
        } else {
            std::string glyph;
            if (first->kind == Kind::LiteralName) {
                glyph = first->value;
                if (!IsPlainName(glyph))
                    return c.Fail("glyph name written as a literal name") != nullptr;
                c.Take(Kind::LiteralName, "name");
            } else if (first->kind == Kind::String && second && second->kind == Kind::ExecName &&
                       second->value == "cvn") {
                glyph = first->value;
                if (IsPlainName(glyph))
                    return c.Fail("plain glyph name written as a string") != nullptr;
                c.Take(Kind::String, "string");
                c.Exec("cvn");
            } else {
                return c.Fail("expected a glyph item") != nullptr;
            }
            if (!c.Exec("glyphshow"))
                return false;
            if (glyph.size() > 63) {
                error = "glyph name longer than 63 bytes";
                return false;
            }
            glyphNames.push_back(glyph);
        }
        ++item;
    }
    if (!prefix && item != expected.size()) {
        error = "the code has " + std::to_string(item) + " items, the text " + std::to_string(expected.size());
        return false;
    }
    return true;
}

} // namespace pscheck
