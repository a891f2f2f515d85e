// The converter's run as a whole and the facts it gathers on the way:
// refusal reasons, the frame of a program, numbers and versions as text,
// weights, names of code points and the choice of character map. Names,
// name tokens, FontInfo and CharStrings of odd fonts are the hostile
// corpus's to check, and Ghostscript loads every program there and in the
// interop tests.
#include "quelin_test_support.h"

#include "t42/FontFacts.h"
#include "t42/GlyphNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

using namespace quelin_test;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Converter, RefusalsSayWhyAndLeaveNoProgram) {
    CraftedFonts fonts{{"Quelin Test (TrueType)", "base.ttf"},
                       {"Zero (TrueType)", "upem0.ttf"},
                       {"Missing (TrueType)", "no-such-file.ttf"}};
    t42::TTPost42 converter;
    LOGFONTA request = Request("Quelin Test");
    ASSERT_EQ(0, converter.Convert(&request).code); // then each refusal drops its program

    struct Case {
        const char* face;
        int code;
        const char* reason;
    };
    const Case cases[] = {
        {"Unknown Face", -1000, "no installed TrueType font has this face name"},
        {"Zero", -1001, "the font engine cannot open the face: broken table (FreeType error 8)"},
        {"Missing", -1001, "the font file cannot be read: No such file or directory"},
    };
    for (const Case& c : cases) {
        request = Request(c.face);
        const t42::Status status = converter.Convert(&request);
        EXPECT_EQ(c.code, status.code) << c.face;
        EXPECT_EQ(c.reason, status.Reason()) << c.face;
        EXPECT_EQ(0u, converter.Program().Size()) << c.face;
    }
}

TEST(Converter, FrameOfAProgram) {
    const std::string program = Conversion("base.ttf").Program();
    EXPECT_EQ(0u, program.find("%!PS-TrueTypeFont-001.000-001.000\n"));
    EXPECT_TRUE(Contains(program, "\n11 dict begin\n/FontName /QuelinTest-Regular def\n/FontType 42 def\n"
                                  "/FontMatrix [1 0 0 1 0 0] def\n/FontBBox [-488 -211 1220 927] def\n"
                                  "/PaintType 0 def\n/FontInfo 9 dict dup begin\n"));
    EXPECT_TRUE(Contains(program, "\nend readonly def\n/Encoding ISOLatin1Encoding def\n/CharStrings 6 dict"));
    EXPECT_EQ("\nFontName currentdict end definefont pop\n", program.substr(program.size() - 41));
    EXPECT_FALSE(Contains(program, "%%VMusage"));
    // The post table's memory figures come before the dictionary, unsigned.
    EXPECT_TRUE(Contains(Conversion("vmusage.ttf").Program(), "\n%%VMusage: 12345 67890\n11 dict begin\n"));
    EXPECT_TRUE(Contains(Conversion("vmusage-big.ttf").Program(), "\n%%VMusage: 2147483648 4294967295\n"));
}

TEST(Converter, NumbersVersionsWeightsAndNames) {
    auto fixed = [](double value) { return static_cast<std::int32_t>(std::lround(value * 65536.0)); };
    const std::pair<std::int32_t, const char*> numbers[] = {
        {fixed(-12.0), "-12"},   {fixed(-12.5), "-12.5"},     {fixed(0.1), "0.100"},  {fixed(-9.05), "-9.050"},
        {fixed(0.9999), "1.000"}, {fixed(-0.9999), "-1.000"}, {INT32_MIN, "-32768"}, {0, "0"},
    };
    for (const auto& c : numbers)
        EXPECT_EQ(c.second, t42::FixedToText(c.first, 3)) << "for 0x" << std::hex << c.first;
    EXPECT_EQ("007.990", t42::VersionText("VERSION 7.99x", 0));
    EXPECT_EQ("002.000", t42::VersionText("Version  1.00", 0x20000));
    EXPECT_EQ("000.999", t42::VersionText("", 0xFFFF));
    EXPECT_EQ(0, t42::ScaleToThousandths(-1, 2048)); // toward zero

    // The version goes into the first line too; the weight class gives the name.
    EXPECT_EQ(0u, Conversion("version-pattern.ttf").Program().find("%!PS-TrueTypeFont-001.000-002.350\n"));
    EXPECT_STREQ("Thin", Conversion("weight-149.ttf").converter.Font().Facts().weight);
    EXPECT_STREQ("Extra Light", Conversion("weight-150.ttf").converter.Font().Facts().weight);
    // ISOLatin1Encoding's name for 0x27 stands for U+2019, so U+0027 is named by number.
    char glyphName[t42::GlyphNamer::kBufferSize];
    t42::NameFromCodePoint(0x0027, glyphName);
    EXPECT_STREQ("uni0027", glyphName);
}

TEST(Converter, CharacterMapChoice) {
    // A Unicode map wins over the request's character set.
    Conversion unicodeSymbol("base.ttf", SYMBOL_CHARSET);
    EXPECT_EQ(FT_ENCODING_UNICODE, unicodeSymbol.converter.Font().Face()->charmap->encoding);
    EXPECT_EQ(42u, unicodeSymbol.converter.Font().CodePage());
    // A font with only a symbol map gets it for the symbol set alone.
    for (int charSet : {SYMBOL_CHARSET, ANSI_CHARSET, RUSSIAN_CHARSET}) {
        Conversion symbol("symbol.ttf", charSet);
        ASSERT_EQ(0, symbol.result);
        const FT_CharMap map = symbol.converter.Font().Face()->charmap;
        EXPECT_EQ(charSet == SYMBOL_CHARSET, map && map->encoding == FT_ENCODING_MS_SYMBOL) << charSet;
    }
}

// A program written out through a window of any size, as `quelin convert`
// writes it, is the program kept whole, whatever falls on a window's edge:
// a line of hex, a string break, a table's start.
TEST(Converter, StreamedProgramIsTheKeptOne) {
#ifdef _WIN32
    GTEST_SKIP() << "reads an installed Linux font";
#endif
    struct Collected : t42::OutputSink {
        std::string bytes;
        void Take(const char* data, std::size_t size) override { bytes.append(data, size); }
    };
    // All but the creation date, which may fall in the next second.
    auto withoutDate = [](std::string program) {
        std::size_t line = program.find("%%Creation Date:");
        return line == std::string::npos ? program : program.erase(line, program.find('\n', line) - line);
    };
    const std::string path = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"; // glyf takes many strings
    CraftedFonts fonts{{"Streamed (TrueType)", path}};
    LOGFONTA request = Request("Streamed");
    t42::TTPost42 kept;
    ASSERT_EQ(0, kept.Convert(&request).code);
    const std::string whole = withoutDate(kept.Program().Text());
    ASSERT_GT(whole.size(), 1000000u);
    t42::TTPost42 streamed;
    ASSERT_EQ(0, streamed.Load(&request).code);
    EXPECT_EQ(0u, streamed.Program().Size());
    for (std::size_t window : {1u, 81u, 4096u, 65537u, 1u << 17}) {
        Collected out;
        t42::OutputBuffer buffer(out, window);
        streamed.WriteProgram(buffer);
        EXPECT_EQ(0u, buffer.Size()) << window;
        EXPECT_LE(buffer.Capacity(), std::max<std::size_t>(window + t42::OutputBuffer::kStep, 32 * 1024)) << window;
        EXPECT_TRUE(withoutDate(out.bytes) == whole) << "window " << window;
    }
}

} // namespace
