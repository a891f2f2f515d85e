// The plan of a subset: the TrueType file it describes, as its program's
// sfnts carry it and as fontTools reads it against the font.
#include "quelin_test_support.h"

#include "t42/FontLookup.h"
#include "t42/SubsetPlan.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>

namespace {

// The bytes a program's sfnts strings carry, each string's last byte (the
// one interpreters drop) left out.
std::vector<std::uint8_t> SfntsBytes(const std::string& program) {
    std::vector<std::uint8_t> bytes;
    std::size_t at = program.find("/sfnts[");
    for (std::size_t open; (open = program.find('<', at)) < program.find(']', at); at = program.find('>', open)) {
        std::string digits;
        for (std::size_t i = open + 1; program[i] != '>'; ++i)
            if (std::isxdigit(static_cast<unsigned char>(program[i])))
                digits += program[i];
        for (std::size_t i = 0; i + 2 < digits.size(); i += 2)
            bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// Letters of their own and accented ones, which DejaVu Sans makes of
// components; the plan adds glyph 0 and the components.
TEST(SubsetPlan, TrueTypeFileHoldsTheFontsGlyphs) {
    t42::FontLocation location;
    ASSERT_TRUE(t42::FindFontFile("DejaVu Sans", location));
    t42::TTPost42 converter;
    ASSERT_TRUE(converter.LoadFace(location, 1252).Ok());
    std::vector<t42::DrawnGlyph> drawn;
    for (char32_t c : U"A\u00E9\u0150\u01FA\u20AC\uFB01")
        drawn.push_back({FT_Get_Char_Index(converter.Font().Face(), c), {}});
    t42::SubsetPlan plan;
    ASSERT_TRUE(converter.PlanSubset(drawn, plan).Ok());
    ASSERT_GT(plan.Size(), drawn.size());
    t42::OutputBuffer program;
    plan.WriteProgram(program);
    std::vector<std::uint8_t> file = plan.TrueTypeFile();
    EXPECT_TRUE(SfntsBytes(program.Text()) == file);

    const std::string path = std::string(QUELIN_BINARY_DIR) + "/subset-plan.ttf";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                static_cast<std::streamsize>(file.size()));
    std::string command = std::string(QUELIN_PYTHON) + " " QUELIN_SOURCE_DIR "/tests/unit/check_subset_file.py " +
                          path + " '" + location.path + "' " + std::to_string(location.faceIndex);
    for (std::size_t w = 0; w < plan.Size(); ++w)
        command += " " + std::to_string(plan.Original(w)) + ":" + std::to_string(plan.AdvanceWidth(w));
    EXPECT_EQ(0, std::system(command.c_str())) << command;
}

} // namespace
