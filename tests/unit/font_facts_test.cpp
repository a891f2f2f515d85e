// The facts gathered from a face: code pages, numbers as text, names,
// weight, version, metrics and the choice of character map.
#include "quelin_test_support.h"

#include "t42/FontFacts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace quelin_test;

namespace {

TEST(FontFacts, FixedToText) {
    auto fixed = [](double value) { return static_cast<std::int32_t>(std::lround(value * 65536.0)); };
    const std::pair<std::int32_t, const char*> cases[] = {
        {fixed(-12.0), "-12"},       {fixed(-12.5), "-12.5"},   {fixed(0.75), "0.75"},
        {fixed(0.1), "0.100"},       {fixed(-16.333), "-16.333"}, {fixed(-9.05), "-9.050"},
        {fixed(1.0005), "1.001"},    {fixed(0.9999), "1.000"},  {0, "0"},
        {fixed(-11.5), "-11.5"},     {fixed(-0.9999), "-1.000"}, {INT32_MIN, "-32768"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, t42::FixedToText(c.first, 3)) << "for 0x" << std::hex << c.first;
}

TEST(FontFacts, WeightNames) {
    EXPECT_STREQ("Thin", Conversion("weight-149.ttf").Facts().weight);
    EXPECT_STREQ("Extra Light", Conversion("weight-150.ttf").Facts().weight);
    EXPECT_STREQ("Black", Conversion("weight-1000.ttf").Facts().weight);
    EXPECT_STREQ("Regular", Conversion("no-os2.ttf").Facts().weight);
}

TEST(FontFacts, VersionFromTheNameOrTheRevision) {
    const std::pair<const char*, const char*> fonts[] = {
        {"base.ttf", "001.000"},          {"version-pattern.ttf", "002.350"},
        {"version-short.ttf", "001.500"}, {"version-long.ttf", "002.000"},
        {"version-none.ttf", "001.009"},
    };
    for (const auto& font : fonts) {
        Conversion conversion(font.first);
        ASSERT_EQ(0, conversion.result) << font.first;
        EXPECT_STREQ(font.second, conversion.Facts().version) << font.first;
        EXPECT_EQ(0u, conversion.Program().find(std::string("%!PS-TrueTypeFont-001.000-") + font.second))
            << font.first;
    }
    EXPECT_EQ("007.990", t42::VersionText("VERSION 7.99x", 0));
    EXPECT_EQ("002.000", t42::VersionText("Version  1.00", 0x20000));
    EXPECT_EQ("000.999", t42::VersionText("", 0xFFFF));
}

TEST(FontFacts, AFontWithoutPostTable) {
    Conversion noPost("no-post.ttf");
    ASSERT_EQ(0, noPost.result);
    EXPECT_STREQ("0", noPost.Facts().italicAngle);
    EXPECT_EQ(0, noPost.Facts().underlinePosition);
    EXPECT_EQ(0, noPost.Facts().underlineThickness);
    EXPECT_EQ(0u, noPost.Facts().isFixedPitch);
    EXPECT_EQ(0u, noPost.Facts().minMemType42);
    EXPECT_EQ(0u, noPost.Facts().maxMemType42);
}

TEST(FontFacts, BoundingBoxInThousandthsOfAnEm) {
    // The base font's box, -1001 -433 2500 1900 at 2048, is in its program.
    EXPECT_EQ(-32768000, t42::ScaleToThousandths(-32768, 1));
    EXPECT_EQ(-65, t42::ScaleToThousandths(-65, 1000));
    EXPECT_EQ(0, t42::ScaleToThousandths(-1, 2048)); // toward zero
}

TEST(FontFacts, FacesOfACollection) {
    CraftedFonts fonts{{"Quelin Coll One & Quelin Coll Two (TrueType)", "collection.ttc"}};
    const std::pair<const char*, const char*> faces[] = {{"Quelin Coll One", "QuelinCollOne"},
                                                         {"Quelin Coll Two", "QuelinCollTwo"}};
    for (const auto& face : faces) {
        t42::TTPost42 converter;
        LOGFONTA request = Request(face.first);
        ASSERT_EQ(0, converter.Convert(&request).code) << face.first;
        EXPECT_STREQ(face.second, converter.Font().Facts().fontName);
        EXPECT_EQ(face.first[12] == 'O' ? 2048 : 1000, converter.Font().Facts().unitsPerEm) << face.first;
    }
}

TEST(FontFacts, CharacterMapChoice) {
    // A Unicode map wins over the request's character set.
    Conversion unicodeSymbol("base.ttf", SYMBOL_CHARSET);
    ASSERT_NE(nullptr, unicodeSymbol.converter.Font().Face()->charmap);
    EXPECT_EQ(FT_ENCODING_UNICODE, unicodeSymbol.converter.Font().Face()->charmap->encoding);
    EXPECT_EQ(42u, unicodeSymbol.converter.Font().CodePage());

    // A font with only a symbol map gets it for the symbol set alone.
    Conversion symbol("symbol.ttf", SYMBOL_CHARSET);
    ASSERT_EQ(0, symbol.result);
    ASSERT_NE(nullptr, symbol.converter.Font().Face()->charmap);
    EXPECT_EQ(FT_ENCODING_MS_SYMBOL, symbol.converter.Font().Face()->charmap->encoding);
    for (int charSet : {ANSI_CHARSET, RUSSIAN_CHARSET}) {
        Conversion other("symbol.ttf", charSet);
        ASSERT_EQ(0, other.result);
        const FT_CharMap map = other.converter.Font().Face()->charmap;
        EXPECT_TRUE(!map || map->encoding != FT_ENCODING_MS_SYMBOL) << "charset " << charSet;
    }
}

} // namespace
