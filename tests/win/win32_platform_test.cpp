// What the Win32 side of the platform layer does beyond the system calls it makes: reading the
// registry's fonts list with the lookup's capacities, and the _mbs helpers in a double-byte code page.
// Code pages are compared whole by scripts/windows/codepages.sh; the rest is reached end to end by
// host_test.c and the portable unit tests.
#include "platform/ListedFontValues.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <mbctype.h>

#include <memory>
#include <string>

using platform::ValueStatus;

namespace {

const char* const kFontsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char* const kTerminated = "Quelin Win32 Terminated (TrueType)";     // 34 bytes
const char* const kUnterminated = "Quelin Win32 Unterminated (TrueType)";

// Reads value `name` with room for nameRoom and dataRoom bytes; its data when read whole.
ValueStatus Read(const char* name, std::uint32_t nameRoom, std::uint32_t dataRoom, std::string* data = nullptr) {
    std::unique_ptr<platform::FontValues> values = platform::OpenInstalledFontValues();
    char readName[256], readData[256];
    for (std::uint32_t index = 0; values; ++index) {
        std::uint32_t nameLength = sizeof readName, dataLength = sizeof readData;
        if (values->Read(index, readName, &nameLength, readData, &dataLength) != ValueStatus::ok)
            return ValueStatus::noMoreItems;
        if (std::string(readName, nameLength) != name)
            continue;
        nameLength = nameRoom;
        dataLength = dataRoom;
        ValueStatus status = values->Read(index, readName, &nameLength, readData, &dataLength);
        if (data && status == ValueStatus::ok)
            *data = std::string(readData, dataLength) + (readData[dataLength] == 0 ? "" : " unterminated");
        return status;
    }
    return ValueStatus::noMoreItems;
}

} // namespace

TEST(Win32FontValues, ReadsRegistryValuesWithTheLookupsCapacities) {
    const char data[] = "QuelinWin32Test.ttf"; // 19 bytes and a zero
    HKEY key = nullptr;
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    // With its zero as REG_SZ; without, as REG_BINARY, which the registry hands back as stored.
    RegSetValueExA(key, kTerminated, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), 20);
    RegSetValueExA(key, kUnterminated, 0, REG_BINARY, reinterpret_cast<const BYTE*>(data), 19);
    std::string terminated, unterminated;
    // Room for the data and its zero: read whole; one byte short, in the data or the name: more data.
    EXPECT_EQ(ValueStatus::ok, Read(kTerminated, 64, 20, &terminated));
    EXPECT_EQ(data, terminated);
    EXPECT_EQ(ValueStatus::moreData, Read(kTerminated, 64, 19));
    EXPECT_EQ(ValueStatus::moreData, Read(kTerminated, 34, 64));
    // Data without a zero comes back terminated; with no room for the zero it is not read whole.
    EXPECT_EQ(ValueStatus::ok, Read(kUnterminated, 64, 20, &unterminated));
    EXPECT_EQ(data, unterminated);
    EXPECT_EQ(ValueStatus::moreData, Read(kUnterminated, 64, 19));
    RegDeleteValueA(key, kTerminated);
    RegDeleteValueA(key, kUnterminated);
    RegCloseKey(key);
}

// In Shift-JIS the trail byte of 0x81 0x5C is a backslash, which must not be taken for a path
// separator, nor a character be cut in half.
TEST(Win32Multibyte, KeepsDoubleByteCharactersWhole) {
    ASSERT_EQ(0, _setmbcp(932));
    const char path[] = "\x81\x5C\\font.ttf";
    const char* separator = platform::MbsChr(path, '\\');
    char copy[8] = "xxxxxxx";
    platform::MbsnbCopy(copy, "a\x82\xA0", 2);
    int sameInPrefix = platform::MbsnbICompare("FONT\x82\xA0", "font\x82\xA1", 4);
    int differentCharacter = platform::MbsnbICompare("font\x82\xA0", "FONT\x82\xA1", 6);
    _setmbcp(_MB_CP_ANSI);
    EXPECT_EQ(path + 2, separator);
    EXPECT_EQ(std::string("a\0", 2), std::string(copy, 2)); // the lead byte would end the copy
    EXPECT_EQ(0, sameInPrefix);
    EXPECT_LT(differentCharacter, 0);
}
