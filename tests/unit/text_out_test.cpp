// The PostScript code T42TextOut writes: runs, glyph items, line breaks,
// long runs, the buffer budget and double-byte pairs; T42TextOutUTF8's checks. Pages
// in each code page are the interop tests' to draw.
#include "quelin_test_support.h"

#include <gtest/gtest.h>

#include <regex>

using namespace quelin_test;

namespace {

class TextOutput : public ::testing::Test {
protected:
    int Font(const char* face, int charSet = ANSI_CHARSET) {
        int handle = owned_.Make(Request(face, charSet));
        EXPECT_GE(handle, 1000) << face;
        return handle;
    }

    // Text output with room to spare; the result must be 0.
    std::string Out(int handle, const std::string& text) {
        int result = 0;
        std::string out = TextOut(handle, text, 1 << 18, &result);
        EXPECT_EQ(0, result) << text;
        return out;
    }

    CraftedFonts fonts_{{"Quelin Test (TrueType)", "base.ttf"},
                        {"Symbol (TrueType)", "symbol.ttf"}};
    OwnedFonts owned_;
};

const std::string kE = "\xE9";                   // eacute in code page 1252
const std::string kEItem = "/eacute glyphshow "; // 18 bytes

TEST_F(TextOutput, RunsGlyphItemsAndLineBreaks) {
    const int font = Font("Quelin Test");
    std::string escaped; // 17 parentheses are 34 bytes inside the item
    for (int n = 0; n < 17; ++n)
        escaped += "\\)";
    const std::pair<std::string, std::string> cases[] = {
        {"", "\n"},
        {"a(b)c\\\t", "(a\\(b\\)c\\\\\t) show \n"},
        {"A" + kE + "B", "(A) show " + kEItem + "(B) show \n"},
        {"\xC0", "/.notdef glyphshow \n"}, // U+00C0 is not in the font
        // A line break after the glyph item that takes the line past 64
        // bytes, counting the items before it: 48 is within, 72 is not.
        {kE + kE, kEItem + kEItem + "\n"},
        {kE + kE + kE + kE, kEItem + kEItem + kEItem + "\n" + kEItem + "\n"},
        // A 34-byte run is a 42-byte item: 66 with the glyph, 65 with 33 bytes.
        {std::string(34, 'x') + kE, "(" + std::string(34, 'x') + ") show " + kEItem + "\n\n"},
        {std::string(33, 'x') + kE, "(" + std::string(33, 'x') + ") show " + kEItem + "\n"},
        {std::string(17, ')') + kE, "(" + escaped + ") show " + kEItem + "\n\n"},
        // No break after runs, however long; runs are cut every 65535 bytes.
        {std::string(100, 'y'), "(" + std::string(100, 'y') + ") show \n"},
        {std::string(70000, 'a') + kE + "b",
         "(" + std::string(65535, 'a') + ") show (" + std::string(4465, 'a') + ") show " + kEItem + "\n(b) show \n"},
        {kE + kE + std::string(30, 'z') + kE,
         kEItem + kEItem + "(" + std::string(30, 'z') + ") show " + kEItem + "\n\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, Out(font, c.first)) << c.first.substr(0, 80);
}

TEST_F(TextOutput, WhatDoesNotFitIsLeftOut) {
    const int font = Font("Quelin Test");
    struct Case {
        std::string text;
        int size;
        int result;
        std::string out;
    };
    const Case cases[] = {
        {"Hello", 14, 0, "(Hello) show "}, // no room for the line break: still 0
        {"Hello", 13, -1004, ""},
        {"", 1, 0, ""},
        {"A" + kE + "B", 28, -1004, "(A) show " + kEItem},
        {"A" + kE + "B", 27, -1004, "(A) show "},
        {kE + kE + kE, 55, 0, kEItem + kEItem + kEItem}, // nor for the break after the third item
    };
    for (const Case& c : cases) {
        int result = 0;
        EXPECT_EQ(c.out, TextOut(font, c.text, c.size, &result)) << c.text << " in " << c.size;
        EXPECT_EQ(c.result, result) << c.text << " in " << c.size;
    }
}

TEST_F(TextOutput, DoubleByteCharactersTakeTheirTrailByte) {
    // A lead byte and any nonzero byte after it are one glyph item (here
    // glyph 0's: the pair is no character, or the font lacks it); three
    // items pass the line. A lead byte at the end is drawn alone.
    const int font = Font("Quelin Test", SHIFTJIS_CHARSET);
    const std::string notdef = "/.notdef glyphshow ";
    EXPECT_EQ(notdef + "(B) show \n", Out(font, "\x82" "AB"));
    EXPECT_EQ(notdef + notdef + notdef + "\n(x) show \n", Out(font, "\x82\\\x88{\x82(x"));
    const std::string out = Out(font, "A\x82");
    EXPECT_TRUE(std::regex_match(out, std::regex("\\(A\\) show (/[^ ()]+|\\(.*\\) cvn) glyphshow \n"))) << out;
}

} // namespace

#ifndef _WIN32 // T42TextOutUTF8 and the installed fonts are Linux's
namespace {

std::string Utf8Out(int handle, const char* text, int size, int* result) {
    std::vector<char> out(static_cast<std::size_t>(size), '#');
    *result = T42TextOutUTF8(handle, text, out.data(), size);
    return std::string(out.data(), strnlen(out.data(), out.size()));
}

TEST_F(TextOutput, Utf8TextIsCheckedInOrder) {
    const int font = Font("Quelin Test");
    int result = 0;
    EXPECT_EQ("##", Utf8Out(999, "x", 2, &result));
    EXPECT_EQ(-1001, result);
    Utf8Out(font, nullptr, 2, &result);
    EXPECT_EQ(-1002, result);
    for (const char* bad : {"caf\xE9", "\xC0\xA8", "\xED\xA0\x80", "ok \xF0\x90\x8C"}) {
        EXPECT_EQ("##", Utf8Out(font, bad, 2, &result)) << bad; // untouched
        EXPECT_EQ(-1005, result) << bad;
    }
    EXPECT_EQ("", Utf8Out(font, "x", 2, &result)); // cleared, as by T42TextOut
    EXPECT_EQ(-1004, result);
    // The same code as the text in the request's code page; no Unicode map, glyph 0.
    EXPECT_EQ(Out(font, "A" + kE + "(B)"), Utf8Out(font, "A\xC3\xA9(B)", 4096, &result));
    EXPECT_EQ("(A) show /.notdef glyphshow \n", Utf8Out(Font("Symbol"), "A\xC3\xA9", 4096, &result));
}

// Double-byte text and UTF-8 text reach the same glyphs of a CJK face, and
// UTF-8 beyond U+FFFF reaches the face's glyph there.
TEST(TextOutputUtf8, AgreesWithDoubleByteText) {
    t42::FontLocation cjk, latin;
    ASSERT_TRUE(t42::FindFontFile("WenQuanYi Zen Hei", cjk));
    ASSERT_TRUE(t42::FindFontFile("DejaVu Sans", latin));
    t42::TTPost42 shiftJis, unicode, dejaVu;
    ASSERT_TRUE(shiftJis.ConvertFace(cjk, 932).Ok());
    ASSERT_TRUE(unicode.ConvertFace(cjk, 1252).Ok());
    ASSERT_TRUE(dejaVu.ConvertFace(latin, 1252).Ok());
    char a[512], b[512];
    ASSERT_EQ(0, shiftJis.TextOut("x\x93\xFA\x96\x7B\x95\x5C\x8E\xA6y", a, sizeof a));
    ASSERT_EQ(0, unicode.TextOutUtf8("x日本表示y", b, sizeof b));
    EXPECT_STREQ(a, b);
    EXPECT_EQ(0, dejaVu.TextOutUtf8("\xF0\x90\x8C\x80", a, sizeof a));
    EXPECT_STREQ("/u10300 glyphshow \n", a);
}

} // namespace
#endif
