// Finding a face name among the values of the installed-fonts list.
#include "t42/FontLookup.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

namespace {

struct Found {
    bool found = false;
    std::string path;
    int faceIndex = -1;
};

Found Lookup(std::vector<platform::FontValue> values, const char* faceName) {
    platform::OverrideFontValues(std::move(values), "/fonts/");
    Found result;
    t42::FontLocation location;
    result.found = t42::FindFontFile(faceName, location);
    result.path = location.path;
    result.faceIndex = location.faceIndex;
    platform::ClearFontValuesOverride();
    return result;
}

TEST(FontLookup, DisplayNamesBeforeTheMarker) {
    struct Case {
        const char* valueName;
        const char* faceName;
        bool found;
    };
    const Case cases[] = {
        {"Sample Sans (TrueType)", "Sample Sans", true},
        {"Sample Sans (TrueType)", "sample sans", true},
        {"Sample Sans (TrueType)", "SAMPLE SANS", true},
        {"Sample Sans (TRUETYPE)", "Sample Sans", false},
        {"Sample Sans (truetype)", "Sample Sans", false},
        {"Sample Sans", "Sample Sans", false},
        {"Sample Sans  (TrueType)", "Sample Sans", true},
        {"Sample Sans\t (TrueType)", "Sample Sans", true},
        {"Sample Sans(TrueType)", "Sample San", true}, // the byte before the marker goes
        {"Sample Sans(TrueType)", "Sample Sans", false},
        {"(TrueType)", "", true},
        {"Sample Sans (TrueType)", "Sample", false},
        {"Sample Sans (TrueType)", "Sample Sans Bold", false},
        {"Sample Sans (OpenType)", "Sample Sans", false},
    };
    for (const Case& c : cases) {
        Found result = Lookup({{c.valueName, "s.ttf"}}, c.faceName);
        EXPECT_EQ(c.found, result.found) << c.valueName << " / " << c.faceName;
        if (c.found) {
            EXPECT_EQ("/fonts/s.ttf", result.path) << c.valueName;
            EXPECT_EQ(0, result.faceIndex) << c.valueName;
        }
    }
}

TEST(FontLookup, FacesOfOneFileAreJoinedByAmpersands) {
    const std::vector<platform::FontValue> values = {{"Alpha & Beta & Gamma (TrueType)", "abc.ttc"}};
    const std::pair<const char*, int> cases[] = {
        {"Alpha", 0}, {"beta", 1}, {"Gamma", 2}, {"Alpha & Beta", -1}, {"Beta & Gamma", -1},
        {"Alpha &", -1}, {"Delta", -1}};
    for (const auto& c : cases) {
        Found result = Lookup(values, c.first);
        EXPECT_EQ(c.second >= 0, result.found) << c.first;
        if (c.second >= 0) {
            EXPECT_EQ(c.second, result.faceIndex) << c.first;
        }
    }
}

TEST(FontLookup, DataIsAFileNameOrAFullPath) {
    const std::string full = std::string("elsewhere") + platform::kPathSeparator + "f.ttf";
    EXPECT_EQ(full, Lookup({{"Face (TrueType)", full}}, "Face").path);
    EXPECT_EQ("/fonts/f.ttf", Lookup({{"Face (TrueType)", "f.ttf"}}, "Face").path);
}

TEST(FontLookup, TheFirstMatchingValueWins) {
    Found result = Lookup({{"Other (TrueType)", "other.ttf"},
                           {"Face (TrueType)", "first.ttf"},
                           {"Two & Face (TrueType)", "second.ttc"},
                           {"Face (TrueType)", "third.ttf"}},
                          "Face");
    EXPECT_EQ("/fonts/first.ttf", result.path);
    EXPECT_FALSE(Lookup({}, "Face").found);
}

TEST(FontLookup, AValueTooLongForTheBuffersEndsTheSearch) {
    const platform::FontValue later{"Face (TrueType)", "face.ttf"};
    EXPECT_FALSE(Lookup({{std::string(1014, 'L') + " (TrueType)", "x.ttf"}, later}, "Face").found);
    EXPECT_TRUE(Lookup({{std::string(1012, 'F') + " (TrueType)", "x.ttf"}, later}, "Face").found);
}

} // namespace
