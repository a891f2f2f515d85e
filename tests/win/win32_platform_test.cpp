// The Win32 side of the platform layer, under Wine: the registry's fonts
// list, describing font files, code pages, the _mbs helpers, global memory
// blocks and the creation date. What the layer shares with Linux, the
// portable unit tests check.
#include "platform/ListedFontValues.h"
#include "platform/Platform.h"
#include "platform/win32/TamrixMB.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <mbctype.h>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

const char* const kFontsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::string kTestData = QUELIN_WIN_TEST_DATA;

std::string WindowsPath(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

const std::string kPair = WindowsPath(kTestData + "/pair.ttc");

const char* const kTerminated = "Quelin Win32 Terminated (TrueType)";
const char* const kUnterminated = "Quelin Win32 Unterminated (TrueType)";

// Removes the test's values from the fonts key when the test ends.
struct TestValues {
    HKEY key = nullptr;
    ~TestValues() {
        RegDeleteValueA(key, kTerminated);
        RegDeleteValueA(key, kUnterminated);
        RegCloseKey(key);
    }
};

struct ReadResult {
    platform::ValueStatus status;
    std::string name;
    std::string data;
    bool dataTerminated;
};

ReadResult Read(platform::FontValues& values, std::uint32_t index, std::uint32_t nameCapacity,
                std::uint32_t dataCapacity) {
    std::vector<char> name(nameCapacity + 1, 'x'), data(dataCapacity + 1, 'x');
    std::uint32_t nameLength = nameCapacity, dataLength = dataCapacity;
    ReadResult result;
    result.status = values.Read(index, name.data(), &nameLength, data.data(), &dataLength);
    result.dataTerminated = false;
    if (result.status == platform::ValueStatus::ok) {
        result.name.assign(name.data(), nameLength);
        result.data.assign(data.data(), dataLength);
        result.dataTerminated = data[dataLength] == 0;
    }
    return result;
}

// The index of the value called `name`; -1 when it is not listed.
int IndexOf(platform::FontValues& values, const std::string& name) {
    for (std::uint32_t index = 0; index < 100000; ++index) {
        ReadResult value = Read(values, index, 16384, 16384);
        if (value.status == platform::ValueStatus::noMoreItems)
            return -1;
        if (value.name == name)
            return static_cast<int>(index);
    }
    return -1;
}

} // namespace

TEST(Win32FontValues, ReadsRegistryValuesWithTheLookupsCapacities) {
    const char data[] = "QuelinWin32Test.ttf"; // 19 bytes and a zero
    TestValues registry;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, nullptr, 0, KEY_SET_VALUE,
                                             nullptr, &registry.key, nullptr));
    // With its zero as REG_SZ, and without as REG_BINARY, which, unlike a
    // string type, the registry hands back as stored.
    const BYTE* bytes = reinterpret_cast<const BYTE*>(data);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(registry.key, kTerminated, 0, REG_SZ, bytes, 20));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(registry.key, kUnterminated, 0, REG_BINARY, bytes, 19));

    std::unique_ptr<platform::FontValues> values = platform::OpenInstalledFontValues();
    ASSERT_TRUE(values);
    int terminated = IndexOf(*values, kTerminated);
    int unterminated = IndexOf(*values, kUnterminated);
    ASSERT_GE(terminated, 0);
    ASSERT_GE(unterminated, 0);

    // Room for the data and its zero: read whole, lengths without the zero.
    ReadResult whole = Read(*values, terminated, 64, 20);
    EXPECT_EQ(platform::ValueStatus::ok, whole.status);
    EXPECT_EQ(kTerminated, whole.name);
    EXPECT_EQ(data, whole.data);
    EXPECT_TRUE(whole.dataTerminated);
    // One byte short, in the data or in the name.
    EXPECT_EQ(platform::ValueStatus::moreData, Read(*values, terminated, 64, 19).status);
    EXPECT_EQ(platform::ValueStatus::moreData, Read(*values, terminated, 34, 64).status);

    // Data without a zero comes back terminated; with no room for the zero
    // it does not count as read whole.
    ReadResult repaired = Read(*values, unterminated, 64, 20);
    EXPECT_EQ(platform::ValueStatus::ok, repaired.status);
    EXPECT_EQ(data, repaired.data);
    EXPECT_TRUE(repaired.dataTerminated);
    EXPECT_EQ(platform::ValueStatus::moreData, Read(*values, unterminated, 64, 19).status);

    EXPECT_EQ(platform::ValueStatus::noMoreItems, Read(*values, 1u << 30, 64, 64).status);
}

TEST(Win32FontValues, DescribesFontFilesByFullPathAndEnglishFullNames) {
    platform::FontValue value;
    ASSERT_TRUE(platform::DescribeFontFile(kPair, value));
    EXPECT_EQ("Quelin Pair Sans & Quelin Pair Serif (TrueType)", value.name);
    EXPECT_EQ(0, _stricmp(kPair.c_str(), value.data.c_str()));

    // A relative path is listed as the full path it names.
    char saved[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(sizeof saved, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(WindowsPath(kTestData).c_str()));
    platform::FontValue relative;
    bool described = platform::DescribeFontFile("pair.ttc", relative);
    SetCurrentDirectoryA(saved);
    ASSERT_TRUE(described);
    EXPECT_EQ(0, _stricmp(kPair.c_str(), relative.data.c_str()));

    // Files that hold no TrueType face.
    EXPECT_FALSE(platform::DescribeFontFile(WindowsPath(kTestData + "/fonts.conf"), value));
    EXPECT_FALSE(platform::DescribeFontFile(WindowsPath(kTestData + "/no-such-file.ttf"), value));
}

TEST(Win32CodePages, ConvertsSingleBytesThroughTheSystem) {
    EXPECT_EQ(GetACP(), platform::UserCodePage());
    EXPECT_EQ(GetACP(), TamrixMBGetUserCodePage());
    EXPECT_EQ(0x20AC, platform::ByteToUtf16(1252, 0x80));
    EXPECT_EQ(0x0410, platform::ByteToUtf16(1251, 0xC0));
    EXPECT_EQ(0xF041, platform::ByteToUtf16(42, 0x41));   // CP_SYMBOL
    EXPECT_EQ(0x2022, platform::ByteToUtf16(2, 0xA5));    // CP_MACCP: Mac Roman
    EXPECT_EQ(0, platform::ByteToUtf16(12345, 0x41));     // no such code page
}

// The multibyte helpers in a double-byte code page. In Shift-JIS the trail
// byte of 0x81 0x5C is a backslash, which must not be taken for a path
// separator, nor a character be cut in half.
TEST(Win32Multibyte, KeepsDoubleByteCharactersWhole) {
    ASSERT_EQ(0, _setmbcp(932));
    const char path[] = "\x81\x5C\\font.ttf";
    const char* separator = platform::MbsChr(path, '\\');
    char copy[8];
    std::memset(copy, 'x', sizeof copy);
    platform::MbsnbCopy(copy, "a\x82\xA0", 2);
    int sameInPrefix = platform::MbsnbICompare("FONT\x82\xA0", "font\x82\xA1", 4);
    int differentCharacter = platform::MbsnbICompare("font\x82\xA0", "FONT\x82\xA1", 6);
    _setmbcp(_MB_CP_ANSI);

    EXPECT_EQ(path + 2, separator);
    EXPECT_EQ('a', copy[0]);
    EXPECT_EQ(0, copy[1]); // the lead byte that would end the copy
    EXPECT_EQ(0, sameInPrefix);
    EXPECT_LT(differentCharacter, 0);
    EXPECT_EQ(nullptr, platform::MbsChr("font.ttf", '\\'));
}

TEST(Win32GlobalMemory, BlocksAreZeroedMovableHglobals) {
    platform::GlobalHandle block = platform::GlobalAllocZeroed(100);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(100u, GlobalSize(block));
    auto* bytes = static_cast<unsigned char*>(platform::GlobalLockBlock(block));
    ASSERT_NE(nullptr, bytes);
    EXPECT_NE(static_cast<void*>(bytes), block); // a movable block's handle is no pointer
    EXPECT_EQ(1u, GlobalFlags(block) & GMEM_LOCKCOUNT);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(0, bytes[i]) << i;
    platform::GlobalUnlockBlock(block);
    EXPECT_EQ(0u, GlobalFlags(block) & GMEM_LOCKCOUNT);
    platform::GlobalFreeBlock(block);
}

TEST(Win32CreationDate, FormatsTodayOnOneLine) {
    std::string text = platform::CreationDateText();
    std::time_t now = std::time(nullptr);
    char year[8];
    std::strftime(year, sizeof year, "%Y", std::localtime(&now));
    EXPECT_NE("Invalid DateTime", text);
    EXPECT_NE(std::string::npos, text.find(year)) << text;
    EXPECT_NE(std::string::npos, text.find(':')) << text;
    for (char c : text)
        EXPECT_GE(static_cast<unsigned char>(c), 0x20) << text;
}
