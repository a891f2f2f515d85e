// The POSIX side of the platform layer: the user's code page from the
// locale variables, byte conversion through iconv, the multibyte helpers
// and the fonts list read from fontconfig.
#include "quelin_test_support.h"

#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <limits.h>
#include <stdlib.h>

using namespace quelin_test;

namespace {

// Sets LC_ALL, LC_CTYPE and LANG (null: unset) and puts them back after.
class LocaleVariables {
public:
    LocaleVariables(const char* lcAll, const char* lcCtype, const char* lang) {
        for (int i = 0; i < 3; ++i)
            if (const char* value = std::getenv(kNames[i]))
                saved_[i] = std::make_unique<std::string>(value);
        Set(lcAll, lcCtype, lang);
    }
    ~LocaleVariables() {
        for (int i = 0; i < 3; ++i)
            Put(kNames[i], saved_[i] ? saved_[i]->c_str() : nullptr);
    }
    void Set(const char* lcAll, const char* lcCtype, const char* lang) {
        const char* values[3] = {lcAll, lcCtype, lang};
        for (int i = 0; i < 3; ++i)
            Put(kNames[i], values[i]);
    }

private:
    static void Put(const char* name, const char* value) {
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::unique_ptr<std::string> saved_[3];
};

TEST(PlatformPosix, UserCodePageFromTheLocale) {
    LocaleVariables locale(nullptr, nullptr, nullptr);
    // A territory-specific row, a language row, a modifier, and the default.
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"zh_TW.Big5", 950}, {"zh_CN.UTF-8", 936}, {"sr_RS@latin", 1251}, {"en_US", 1252}, {"", 1252}};
    for (const auto& c : cases) {
        locale.Set(nullptr, nullptr, c.first);
        EXPECT_EQ(c.second, platform::UserCodePage()) << c.first;
    }
    // The first variable that is set and not empty decides.
    locale.Set("", "ru_RU.UTF-8", "ja_JP.UTF-8");
    EXPECT_EQ(1251u, platform::UserCodePage());
    locale.Set("el_GR.UTF-8", "ru_RU.UTF-8", "ja_JP.UTF-8");
    EXPECT_EQ(1253u, platform::UserCodePage());
    locale.Set(nullptr, "", "he_IL.UTF-8");
    EXPECT_EQ(1255u, platform::UserCodePage());
}

TEST(PlatformPosix, BytesToUtf16) {
    struct Case {
        std::uint32_t codePage;
        unsigned char byte;
        std::uint16_t unit;
    };
    const Case cases[] = {
        {1252, 0x80, 0x20AC}, {1252, 0xE9, 0x00E9}, {1252, 0x41, 0x0041}, {1251, 0xC0, 0x0410},
        {1253, 0xC1, 0x0391}, {42, 0x41, 0xF041},   {42, 0xE9, 0xF0E9},   {42, 0x00, 0xF000},
        {1255, 0xE0, 0x05D0}, {1258, 0x41, 0x0041}, {932, 0x82, 0x30FB},  {932, 0x41, 0x0041},
        {2, 0xE9, 0x00C8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.unit, platform::ByteToUtf16(c.codePage, c.byte))
            << "code page " << c.codePage << " byte " << int(c.byte);

    LocaleVariables locale(nullptr, nullptr, "ru_RU.UTF-8"); // code page 0 is the ANSI one
    EXPECT_EQ(0x0410, platform::ByteToUtf16(0, 0xC0));
}

TEST(PlatformPosix, MultibyteHelpersKeepDoubleByteCharactersWhole) {
    LocaleVariables locale(nullptr, nullptr, "ja_JP.UTF-8");
    ASSERT_EQ(932u, platform::AnsiCodePage());
    const char* text = "\x82\xA0\x82\xA2z";
    char copy[8];
    std::memset(copy, '#', sizeof copy);
    platform::MbsnbCopy(copy, text, 3);
    EXPECT_EQ(std::string("\x82\xA0\0#", 4), std::string(copy, 4));
    platform::MbsnbCopy(copy, text, 1);
    EXPECT_EQ('\0', copy[0]);
    std::memset(copy, '#', sizeof copy);
    platform::MbsnbCopy(copy, text, 5);
    EXPECT_EQ(std::string(text, 5), std::string(copy, 5));

    const char* table = "\x95\x5C\\x"; // the first 0x5C is a trail byte
    EXPECT_EQ(table + 2, platform::MbsChr(table, '\\'));
    EXPECT_EQ(nullptr, platform::MbsChr("\x95\x5C", '\\'));
    EXPECT_EQ(table + 4, platform::MbsChr(table, 0)); // the terminator
    EXPECT_EQ(0, platform::MbsnbICompare("\x82\xA0" "Abc", "\x82\xA0" "aBC", 16));
    EXPECT_NE(0, platform::MbsnbICompare("\x82\xA0", "\x82\xA1", 16));

    // In a single-byte code page every byte stands alone.
    locale.Set(nullptr, nullptr, "en_US.UTF-8");
    platform::MbsnbCopy(copy, text, 3);
    EXPECT_EQ(std::string(text, 3), std::string(copy, 3));
    EXPECT_EQ(table + 1, platform::MbsChr(table, '\\'));
}

TEST(PlatformPosix, InstalledFontsAreListedByPath) {
    const std::vector<platform::FontValue> values = platform::CurrentFontValues();
    auto dejaVu = std::find_if(values.begin(), values.end(), [](const platform::FontValue& value) {
        return value.name == "DejaVu Sans (TrueType)";
    });
    ASSERT_NE(values.end(), dejaVu);
    EXPECT_EQ('/', dejaVu->data.front());
    EXPECT_EQ("/DejaVuSans.ttf", dejaVu->data.substr(dejaVu->data.rfind('/')));
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end(),
                               [](const platform::FontValue& a, const platform::FontValue& b) {
                                   return a.data < b.data;
                               }));
    for (const platform::FontValue& value : values)
        EXPECT_NE(std::string::npos, value.name.find(" (TrueType)")) << value.data;

    // And the lookup finds it there.
    LOGFONTA request = Request("DejaVu Sans");
    const int handle = T42MakeTrueTypeFont(&request);
    ASSERT_GE(handle, 1000);
    char name[64];
    EXPECT_EQ(0, T42GetPSFontName(handle, name, sizeof name));
    EXPECT_STREQ("DejaVuSans", name);
    EXPECT_EQ(0, T42DeleteTrueTypeFont(handle));
}

TEST(PlatformPosix, AddedFontFilesComeFirst) {
    std::string error;
    EXPECT_FALSE(platform::AddFontFile(std::string(QUELIN_SOURCE_DIR) + "/tests/fonts/README.md", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(platform::AddFontFile(FontsFolder() + "missing.ttf", error));

    ASSERT_TRUE(platform::AddFontFile(FontsFolder() + "psname-delims.ttf", error)) << error;
    ASSERT_TRUE(platform::AddFontFile(FontsFolder() + "collection.ttc", error)) << error;
    std::vector<platform::FontValue> values = platform::CurrentFontValues();
    platform::ClearAddedFontFiles();
    ASSERT_GE(values.size(), 2u);
    char* real = realpath((FontsFolder() + "collection.ttc").c_str(), nullptr);
    ASSERT_NE(nullptr, real);
    EXPECT_EQ("Quelin Coll One Regular & Quelin Coll Two Regular (TrueType)", values[0].name);
    EXPECT_EQ(std::string(real), values[0].data);
    std::free(real);
    EXPECT_EQ("/psname-delims.ttf", values[1].data.substr(values[1].data.rfind('/')));
    EXPECT_EQ(values.size() - 2, platform::CurrentFontValues().size());
}

} // namespace
