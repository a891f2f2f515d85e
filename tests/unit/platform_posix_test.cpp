// The POSIX side of the platform layer: the user's code page from the
// locale variables, the multibyte helpers and the fonts list read from
// fontconfig. The byte and pair tables of every code page are compared
// with Windows' own by scripts/windows/codepages.sh.
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
    ~LocaleVariables() { Set(Saved(0), Saved(1), Saved(2)); }
    void Set(const char* lcAll, const char* lcCtype, const char* lang) {
        const char* values[3] = {lcAll, lcCtype, lang};
        for (int i = 0; i < 3; ++i)
            values[i] ? setenv(kNames[i], values[i], 1) : unsetenv(kNames[i]);
    }

private:
    const char* Saved(int i) const { return saved_[i] ? saved_[i]->c_str() : nullptr; }
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::unique_ptr<std::string> saved_[3];
};

TEST(PlatformPosix, UserCodePageFromTheLocale) {
    LocaleVariables locale(nullptr, nullptr, nullptr);
    // A territory-specific row, a language row, a modifier, and the default.
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"zh_TW.Big5", 950}, {"zh_CN.UTF-8", 936}, {"sr_RS@latin", 1251}, {"", 1252}};
    for (const auto& c : cases) {
        locale.Set(nullptr, nullptr, c.first);
        EXPECT_EQ(c.second, platform::UserCodePage()) << c.first;
    }
    // The first variable that is set and not empty decides.
    locale.Set("", "ru_RU.UTF-8", "ja_JP.UTF-8");
    EXPECT_EQ(1251u, platform::UserCodePage());
    locale.Set(nullptr, "", "he_IL.UTF-8");
    EXPECT_EQ(1255u, platform::UserCodePage());
    EXPECT_EQ(0x05D0, platform::ByteToUtf16(0, 0xE0)); // code page 0 is the ANSI one
}

TEST(PlatformPosix, MultibyteHelpersKeepDoubleByteCharactersWhole) {
    LocaleVariables locale(nullptr, nullptr, "ja_JP.UTF-8");
    ASSERT_EQ(932u, platform::AnsiCodePage());
    const char* text = "\x82\xA0\x82\xA2z";
    char copy[8];
    std::memset(copy, '#', sizeof copy);
    platform::MbsnbCopy(copy, text, 3); // a pair is copied whole or not at all
    EXPECT_EQ(std::string("\x82\xA0\0#", 4), std::string(copy, 4));
    platform::MbsnbCopy(copy, text, 1);
    EXPECT_EQ('\0', copy[0]);

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

// Added files come first, by full path; the installed fonts follow, sorted
// by path, each marked. The interop and command-line tests find fonts there.
TEST(PlatformPosix, FontsList) {
    std::string error;
    EXPECT_FALSE(platform::AddFontFile(std::string(QUELIN_SOURCE_DIR) + "/tests/fonts/README.md", error));
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(platform::AddFontFile(FontsFolder() + "collection.ttc", error)) << error;
    const std::vector<platform::FontValue> added = platform::CurrentFontValues();
    platform::ClearAddedFontFiles();
    const std::vector<platform::FontValue> values = platform::CurrentFontValues();
    ASSERT_EQ(values.size() + 1, added.size());
    EXPECT_EQ("Quelin Coll One Regular & Quelin Coll Two Regular (TrueType)", added[0].name);
    EXPECT_EQ('/', added[0].data.front());
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end(),
                               [](const auto& a, const auto& b) { return a.data < b.data; }));
    for (const platform::FontValue& value : values)
        EXPECT_NE(std::string::npos, value.name.find(" (TrueType)")) << value.data;
}

} // namespace
