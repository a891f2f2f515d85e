// Glyph names: the names code points stand for, and the CharStrings
// dictionary of crafted fonts whose names are odd.
#include "quelin_test_support.h"

#include "t42/GlyphNames.h"

#include <gtest/gtest.h>

using namespace quelin_test;

namespace {

std::vector<std::string> CharStrings(const char* file) {
    Conversion conversion(file);
    EXPECT_EQ(0, conversion.result) << file;
    return Section(conversion.Program(), "/CharStrings ", "end readonly def");
}

TEST(GlyphNames, NamesOfCodePoints) {
    // An ISOLatin1Encoding name, a code point that name does not stand
    // for, and the two forms of the rest.
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0x0131, "dotlessi"}, {0x2212, "minus"}, {0x0027, "uni0027"}, {0xFFFF, "uniFFFF"}, {0x10000, "u10000"}};
    for (const auto& c : cases) {
        char buffer[t42::GlyphNamer::kBufferSize];
        t42::NameFromCodePoint(c.first, buffer);
        EXPECT_STREQ(c.second, buffer) << "U+" << std::hex << c.first;
    }
}

const std::vector<std::string> kBaseCharStrings = {
    "/CharStrings 6 dict dup begin", "/.notdef 0 def", "/space 1 def", "/A 2 def",
    "/B 3 def", "/C 4 def", "/eacute 5 def", "end readonly def"};

TEST(GlyphNames, CharStringsOfTheBaseFont) { EXPECT_EQ(kBaseCharStrings, CharStrings("base.ttf")); }

TEST(GlyphNames, OddNamesAreWrittenAsStrings) {
    // Glyph 3 is called .notdef but U+0042 reaches it; the duplicate A is
    // written after the first; glyph 13 has an empty name and U+E007.
    const std::vector<std::string> expected = {
        "/CharStrings 14 dict dup begin",
        "/.notdef 0 def",
        "/space 1 def",
        "/A 2 def",
        "/B 3 def",
        "/C 4 def",
        "/eacute 5 def",
        "/A 6 def",
        "(a/b) cvn 7 def",
        "(x y) cvn 8 def",
        "(50%) cvn 9 def",
        "(paren\\() cvn 10 def",
        "(ctl\\001name) cvn 11 def",
        "(\x92v) cvn 12 def",
        "/uniE007 13 def",
        "end readonly def"};
    EXPECT_EQ(expected, CharStrings("glyphnames-odd.ttf"));
}

TEST(GlyphNames, NotdefComesLastWhenNoGlyphKeepsIt) {
    const std::vector<std::string> expected = {
        "/CharStrings 6 dict dup begin", "/zero0 0 def", "/space 1 def", "/A 2 def",
        "/B 3 def", "/C 4 def", "/eacute 5 def", "/.notdef 0 def", "end readonly def"};
    EXPECT_EQ(expected, CharStrings("notdef-later.ttf"));
}

TEST(GlyphNames, FontsWithoutNamesUseTheirUnicodeMap) {
    EXPECT_EQ(kBaseCharStrings, CharStrings("post3.ttf"));
    EXPECT_EQ(kBaseCharStrings, CharStrings("no-post.ttf"));
}

TEST(GlyphNames, EveryGlyphOfALargeFontHasItsLine) {
    const std::vector<std::string> lines = CharStrings("big-hmtx.ttf");
    ASSERT_EQ(17002u, lines.size());
    EXPECT_EQ("/CharStrings 17000 dict dup begin", lines.front());
    EXPECT_EQ("/g16999 16999 def", lines[17000]);
}

} // namespace
