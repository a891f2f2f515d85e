// Finding a face name among the values of the installed-fonts list.
#include "t42/FontLookup.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

namespace {

// The file and face found for faceName ("" and -1: none).
std::pair<std::string, int> Lookup(std::vector<platform::FontValue> values, const char* faceName) {
    platform::OverrideFontValues(std::move(values), "/fonts/");
    t42::FontLocation location;
    const bool found = t42::FindFontFile(faceName, location);
    platform::ClearFontValuesOverride();
    return found ? std::make_pair(location.path, location.faceIndex) : std::make_pair(std::string(), -1);
}

TEST(FontLookup, DisplayNamesBeforeTheMarker) {
    using Names = std::pair<const char*, const char*>; // the value's name, the face name asked for
    const Names found[] = {{"Sample Sans (TrueType)", "sample SANS"},
                           {"Sample Sans\t (TrueType)", "Sample Sans"},
                           {"Sample Sans(TrueType)", "Sample San"}, // the byte before the marker goes
                           {"(TrueType)", ""}};
    for (const Names& c : found)
        EXPECT_EQ(std::make_pair(std::string("/fonts/s.ttf"), 0), Lookup({{c.first, "s.ttf"}}, c.second)) << c.first;
    const Names missed[] = {{"Sample Sans (TRUETYPE)", "Sample Sans"}, // the marker's case counts
                            {"Sample Sans(TrueType)", "Sample Sans"},
                            {"Sample Sans (TrueType)", "Sample Sans Bold"},
                            {"Sample Sans (OpenType)", "Sample Sans"}};
    for (const Names& c : missed)
        EXPECT_EQ(-1, Lookup({{c.first, "s.ttf"}}, c.second).second) << c.first << " / " << c.second;
}

TEST(FontLookup, FacesOfOneFileAreJoinedByAmpersands) {
    const std::vector<platform::FontValue> values = {{"Alpha & Beta & Gamma (TrueType)", "abc.ttc"}};
    const std::pair<const char*, int> cases[] = {
        {"Alpha", 0}, {"beta", 1}, {"Gamma", 2}, {"Alpha & Beta", -1}, {"Delta", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(c.second, Lookup(values, c.first).second) << c.first;
}

TEST(FontLookup, WhichValueAndWhichPath) {
    // A full path stays as it is; the first matching value wins.
    const std::string full = std::string("elsewhere") + platform::kPathSeparator + "f.ttf";
    EXPECT_EQ(full, Lookup({{"Face (TrueType)", full}}, "Face").first);
    EXPECT_EQ("/fonts/first.ttf", Lookup({{"Other (TrueType)", "other.ttf"},
                                          {"Face (TrueType)", "first.ttf"},
                                          {"Two & Face (TrueType)", "second.ttc"},
                                          {"Face (TrueType)", "third.ttf"}},
                                         "Face")
                                      .first);
    EXPECT_EQ(-1, Lookup({}, "Face").second);
    // A value too long for the buffers ends the search.
    const platform::FontValue later{"Face (TrueType)", "face.ttf"};
    EXPECT_EQ(-1, Lookup({{std::string(1014, 'L') + " (TrueType)", "x.ttf"}, later}, "Face").second);
    EXPECT_EQ(0, Lookup({{std::string(1012, 'F') + " (TrueType)", "x.ttf"}, later}, "Face").second);
}

} // namespace
