// The exported functions and the handle table behind them.
#include "quelin_test_support.h"

#include "api/Library.h"
#include "api/QuelinApp.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

using namespace quelin_test;

namespace {

class Exports : public ::testing::Test {
protected:
    void TearDown() override {
        owned_.DeleteAll();
        EXPECT_EQ(sizeBefore_, TableSize()) << "a test left fonts in the table";
    }
    int Make(const LOGFONTA& request) { return owned_.Make(request); }
    static std::size_t TableSize() { return api::TheFontTable().Size(); }

    CraftedFonts fonts_{{"Quelin Test (TrueType)", "base.ttf"},
                        {"Cyrillic (TrueType)", "cyrillic.ttf"},
                        {"Broken (TrueType)", "upem0.ttf"}};
    const std::size_t sizeBefore_ = TableSize();
    OwnedFonts owned_;
};

// Refused requests add nothing and use no handle number; handles count
// from a new table's first, and the last one is issued once.
TEST_F(Exports, RefusedRequestsAndHandleNumbers) {
    api::FontTable& table = api::TheFontTable();
    const std::int32_t saved = table.NextHandle();
    table.SetNextHandleForTesting(api::FontTable().NextHandle());
    LOGFONTA unterminated = Request("Quelin Test");
    std::memset(unterminated.lfFaceName, 'Q', sizeof unterminated.lfFaceName);
    EXPECT_EQ(-1002, T42MakeTrueTypeFont(nullptr));
    EXPECT_EQ(-1000, Make(unterminated));
    EXPECT_EQ(-1000, Make(Request("No Such Face")));
    EXPECT_EQ(sizeBefore_, TableSize());
    EXPECT_EQ(1000, Make(Request("Quelin Test")));
    EXPECT_EQ(-1001, Make(Request("Broken")));
    EXPECT_EQ(sizeBefore_ + 1, TableSize());
    EXPECT_EQ(1001, Make(Request("Cyrillic")));
    EXPECT_EQ(1000, Make(Request("Quelin Test")));

    owned_.DeleteAll();
    table.SetNextHandleForTesting(INT_MAX - 1);
    EXPECT_EQ(INT_MAX - 1, Make(Request("Quelin Test")));
    EXPECT_EQ(INT_MAX, Make(Request("Cyrillic")));
    LOGFONTA bold = Request("Quelin Test");
    bold.lfWeight = 700;
    EXPECT_EQ(-1002, Make(bold));
    EXPECT_EQ(sizeBefore_ + 2, TableSize());
    EXPECT_EQ(INT_MAX - 1, Make(Request("Quelin Test"))); // still found
    table.SetNextHandleForTesting(saved > 1002 ? saved : 1002);
}

TEST_F(Exports, RequestsAreKeyedByTheFieldsThatDecideAConversion) {
    const LOGFONTA base = Request("Quelin Test");
    const int handle = Make(base);
    ASSERT_GE(handle, 1000);

    // Fields that do not count.
    LOGFONTA same = base;
    same.lfHeight = 99;
    same.lfWidth = 7;
    same.lfEscapement = 900;
    same.lfOutPrecision = 3;
    same.lfClipPrecision = 2;
    same.lfQuality = 5;
    std::memcpy(same.lfFaceName + 12, "stray", 5); // after the zero byte
    EXPECT_EQ(handle, Make(same));

    // Each field that counts gives a conversion of its own.
    std::vector<LOGFONTA> different(8, base);
    different[0].lfOrientation = 900;
    different[1].lfWeight = 700;
    different[2].lfItalic = 1;
    different[3].lfUnderline = 1;
    different[4].lfStrikeOut = 1;
    different[5].lfCharSet = RUSSIAN_CHARSET;
    different[6].lfPitchAndFamily = 0x22;
    std::strcpy(different[7].lfFaceName, "QUELIN TEST"); // the lookup ignores case; the key does not
    std::set<int> handles{handle};
    for (const LOGFONTA& request : different)
        EXPECT_TRUE(handles.insert(Make(request)).second);
    EXPECT_EQ(sizeBefore_ + 9, TableSize()); // none refused

    // An equal request is not converted again: the face is no longer listed.
    platform::OverrideFontValues({}, FontsFolder());
    EXPECT_EQ(handle, Make(same));
    EXPECT_EQ(-1000, Make(Request("Quelin")));
}

// A deleted handle is unknown to every export, before any other argument
// is looked at, and its number is not issued again.
TEST_F(Exports, DeletedHandlesAreGoneAndNeverReused) {
    const int handle = Make(Request("Quelin Test"));
    ASSERT_GE(handle, 1000);
    EXPECT_EQ(0, T42DeleteTrueTypeFont(handle));
    EXPECT_EQ(-1001, T42DeleteTrueTypeFont(handle));
    EXPECT_EQ(nullptr, T42GetFontData(handle));
    EXPECT_EQ(-1001, T42GetPSFontName(handle, nullptr, 0));
    EXPECT_EQ(-1001, T42TextOut(handle, nullptr, nullptr, -1));
    EXPECT_GT(Make(Request("Quelin Test")), handle);
    EXPECT_EQ(-1001, T42DeleteTrueTypeFont(999));
}

// What does not fit is cut (the name) or left out (the code), with -1004;
// no buffer, or a negative size, is a buffer of no bytes.
TEST_F(Exports, BuffersTooSmall) {
    const int handle = Make(Request("Quelin Test"));
    ASSERT_GE(handle, 1000);
    char name[64];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(-1004, T42GetPSFontName(handle, name, 0));
    EXPECT_EQ(-1004, T42GetPSFontName(handle, name, -1));
    EXPECT_EQ(-1004, T42GetPSFontName(handle, nullptr, 64));
    EXPECT_EQ('x', name[0]);
    const std::string full = "QuelinTest-Regular";
    const int length = static_cast<int>(full.size());
    EXPECT_EQ(0, T42GetPSFontName(handle, name, length + 1));
    EXPECT_EQ(full, name);
    EXPECT_EQ(-1004, T42GetPSFontName(handle, name, length));
    EXPECT_EQ(full.substr(0, full.size() - 1), name);
    EXPECT_EQ(-1004, T42GetPSFontName(handle, name, 1));
    EXPECT_STREQ("", name);

    char* out = name;
    std::memset(out, '#', sizeof name);
    EXPECT_EQ(-1002, T42TextOut(handle, nullptr, out, sizeof name));
    EXPECT_EQ(0, T42TextOut(handle, "", nullptr, 100));
    EXPECT_EQ(-1004, T42TextOut(handle, "A", nullptr, 100));
    EXPECT_EQ(-1004, T42TextOut(handle, "A", out, -5));
    EXPECT_EQ(-1004, T42TextOut(handle, "\xE9", out, 0));
    EXPECT_EQ('#', out[0]);
}

TEST_F(Exports, EachFontDataCallGivesItsOwnCopyOfTheProgram) {
    const int handle = Make(Request("Quelin Test"));
    ASSERT_GE(handle, 1000);
    const t42::OutputBuffer& program = api::FindConverter(handle)->Program();
    HGLOBAL first = T42GetFontData(handle);
    HGLOBAL second = T42GetFontData(handle);
    ASSERT_TRUE(first && second && first != second);
    EXPECT_EQ(program.Size(), T42GlobalSize(first));
    T42GlobalFree(first);
    const char* bytes = static_cast<const char*>(T42GlobalLock(second));
    EXPECT_EQ(program.Text(), std::string(bytes, T42GlobalSize(second)));
    T42GlobalUnlock(second);
    T42GlobalFree(second);
}

} // namespace
