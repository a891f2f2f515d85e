// The converter's run as a whole and the PostScript syntax it writes with.
#include "quelin_test_support.h"

#include "t42/PsSyntax.h"

#include <gtest/gtest.h>

using namespace quelin_test;

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(Converter, RefusedRequestsLeaveNoProgram) {
    Conversion base("base.ttf");
    ASSERT_EQ(0, base.result);
    const std::string program = base.Program();
    EXPECT_EQ(-1002, base.converter.Convert(nullptr).code);
    EXPECT_EQ(program, base.Program()); // nothing appended

    CraftedFonts fonts{{"Quelin Test (TrueType)", "base.ttf"}};
    LOGFONTA unknown = Request("Unknown Face");
    t42::Status status = base.converter.Convert(&unknown);
    EXPECT_EQ(-1000, status.code);
    EXPECT_EQ(0u, base.converter.Program().Size());

    // Each refusal says why.
    CraftedFonts broken{{"Zero (TrueType)", "upem0.ttf"}, {"Missing (TrueType)", "no-such-file.ttf"}};
    LOGFONTA zero = Request("Zero"), missing = Request("Missing");
    status = base.converter.Convert(&zero);
    EXPECT_EQ(-1001, status.code);
    EXPECT_EQ("the font engine cannot open the face: broken table (FreeType error 8)", status.Reason());
    status = base.converter.Convert(&missing);
    EXPECT_EQ(-1001, status.code);
    EXPECT_EQ("the font file cannot be read: No such file or directory", status.Reason());
}

TEST(Converter, ProgramOfTheBaseFont) {
    Conversion base("base.ttf");
    ASSERT_EQ(0, base.result);
    const std::string program = base.Program();
    EXPECT_EQ(0u, program.find("%!PS-TrueTypeFont-001.000-001.000\n"));
    EXPECT_TRUE(EndsWith(program, "FontName currentdict end definefont pop\n"));
    EXPECT_EQ(std::string::npos, program.find("%%VMusage"));
    const std::vector<std::string> expectedDictionary = {
        "11 dict begin", "/FontName /QuelinTest-Regular def", "/FontType 42 def",
        "/FontMatrix [1 0 0 1 0 0] def", "/FontBBox [-488 -211 1220 927] def", "/PaintType 0 def"};
    EXPECT_EQ(expectedDictionary, Section(program, "11 dict begin", "/PaintType 0 def"));
    const std::vector<std::string> expectedInfo = {
        "/FontInfo 9 dict dup begin", "/version (001.000) readonly def",
        "/Notice (Quelin Test is a trademark (of nobody)) readonly def",
        "/FullName (Quelin Test Regular) readonly def", "/FamilyName (Quelin Test) readonly def",
        "/Weight (Regular) readonly def", "/ItalicAngle 0 def", "/isFixedPitch false def",
        "/UnderlinePosition -217 def", "/UnderlineThickness 150 def", "end readonly def"};
    EXPECT_EQ(expectedInfo, Section(program, "/FontInfo", "end readonly def"));
    EXPECT_NE(std::string::npos, program.find("\n/Encoding ISOLatin1Encoding def\n"));
}

TEST(Converter, MemoryUsageAndFixedPitch) {
    const std::string program = Conversion("vmusage.ttf").Program();
    EXPECT_NE(std::string::npos, program.find("\n%%VMusage: 12345 67890\n11 dict begin\n"));
    EXPECT_NE(std::string::npos, program.find("\n/isFixedPitch true def\n"));
}

TEST(Converter, StringBodies) {
    const std::pair<const char*, const char*> cases[] = {
        {"plain", "plain"},  {"a(b)c", "a(b)c"},     {"((x)(y))", "((x)(y))"},
        {"a(b", "a\\(b"},    {"a)b", "a\\)b"},       {")(", "\\)\\("},
        {"(a))(b)", "\\(a\\)\\)\\(b\\)"},            {"a\\b", "a\\\\b"},
        {"(a\\)", "(a\\\\)"},   {"end\\", "end\\\\"}, {"", ""},
    };
    for (const auto& c : cases) {
        t42::OutputBuffer out;
        t42::AppendPSString(out, c.first);
        EXPECT_EQ(c.second, out.Text()) << "for " << c.first;
    }
}

TEST(PsSyntax, NameTokens) {
    const std::pair<const char*, const char*> cases[] = {
        {"A", "/A"},           {"uni00E9", "/uni00E9"},   {"\xA0\xFF", "/\xA0\xFF"},
        {"", "() cvn"},        {"a/b", "(a/b) cvn"},      {"x y", "(x y) cvn"},
        {"50%", "(50%) cvn"},  {"<>[]{}", "(<>[]{}) cvn"}, {"p(", "(p\\() cvn"},
        {"p)", "(p\\)) cvn"},  {"tab\t", "(tab\\011) cvn"}, {"\x92v", "(\x92v) cvn"},
        {"back\\", "/back\\"}, // a regular character outside strings
        {"a b\\", "(a b\\\\) cvn"},
        {"c\x01\x1F\x7F", "(c\\001\\037\\177) cvn"},
    };
    for (const auto& c : cases) {
        char token[t42::kMaxNameTokenLength + 1];
        char* end = t42::WriteNameToken(token, c.first);
        EXPECT_EQ(c.second, std::string(token, end)) << "for " << c.first;
        EXPECT_EQ(std::strlen(c.second), t42::NameTokenLength(c.first)) << "for " << c.first;
    }
    // The longest name a glyph can have fits the token buffer.
    const std::string worst(63, '\x01');
    EXPECT_EQ(t42::kMaxNameTokenLength, t42::NameTokenLength(worst.c_str()));
}

} // namespace
