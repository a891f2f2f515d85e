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
