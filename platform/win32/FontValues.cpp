// The installed-fonts list on Windows: the values of the registry key
// HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts, with relative
// data taken against the Fonts folder of the Windows directory.
#include "../ListedFontValues.h"

#include <windows.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr const char* kFontsKey = "software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

class RegistryFontValues : public FontValues {
public:
    explicit RegistryFontValues(HKEY key) : key_(key) {}
    ~RegistryFontValues() override { RegCloseKey(key_); }
    RegistryFontValues(const RegistryFontValues&) = delete;
    RegistryFontValues& operator=(const RegistryFontValues&) = delete;

    ValueStatus Read(std::uint32_t index, char* name, std::uint32_t* nameCapacity, char* data,
                     std::uint32_t* dataCapacity) override {
        DWORD nameLength = *nameCapacity;
        DWORD dataLength = *dataCapacity;
        DWORD type = 0;
        LONG result = RegEnumValueA(key_, index, name, &nameLength, nullptr, &type,
                                    reinterpret_cast<LPBYTE>(data), &dataLength);
        if (result == ERROR_MORE_DATA)
            return ValueStatus::moreData;
        if (result != ERROR_SUCCESS)
            return ValueStatus::noMoreItems; // ends the list like its last value
        // A string stored without its zero comes back without one; it is
        // read whole only when the zero still fits.
        std::size_t stored = dataLength;
        if (stored == 0 || data[stored - 1] != 0) {
            if (stored >= *dataCapacity)
                return ValueStatus::moreData;
            data[stored] = 0;
        }
        *nameCapacity = nameLength;
        *dataCapacity = static_cast<std::uint32_t>(std::strlen(data));
        return ValueStatus::ok;
    }

    bool FontsFolder(std::string& folder) override {
        char windows[520];
        UINT length = GetWindowsDirectoryA(windows, sizeof windows);
        if (length == 0 || length >= sizeof windows)
            return false;
        folder.assign(windows, length);
        if (folder.back() != '\\')
            folder += '\\';
        folder += "Fonts\\";
        return true;
    }

private:
    HKEY key_;
};

// The English full name (name ID 4) of a face from the Windows platform,
// else from the Unicode platform, in the ANSI code page.
bool EnglishFullName(FT_Face face, std::string& fullName) {
    FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    FT_SfntName chosen = {};
    bool found = false;
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName record;
        if (FT_Get_Sfnt_Name(face, i, &record) != 0 || record.name_id != TT_NAME_ID_FULL_NAME)
            continue;
        if (IsWindowsEnglishName(record.platform_id, record.encoding_id, record.language_id)) {
            chosen = record;
            found = true;
            break;
        }
        if (!found && record.platform_id == TT_PLATFORM_APPLE_UNICODE) {
            chosen = record;
            found = true;
        }
    }
    if (!found)
        return false;
    std::wstring wide;
    for (FT_UInt i = 0; i + 1 < chosen.string_len; i += 2)
        wide += static_cast<wchar_t>(chosen.string[i] << 8 | chosen.string[i + 1]);
    int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0,
                                   nullptr, nullptr);
    fullName.assign(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), &fullName[0], size,
                            nullptr, nullptr);
    return !fullName.empty();
}

bool HasGlyfTable(FT_Face face) {
    FT_ULong length = 0;
    return FT_Load_Sfnt_Table(face, TTAG_glyf, 0, nullptr, &length) == 0 && length > 0;
}

} // namespace

std::unique_ptr<FontValues> OpenInstalledFontValues() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<RegistryFontValues>(key);
}

bool DescribeFontFile(const std::string& path, FontValue& value) {
    // Listed by full path: a bare file name would be taken against the
    // Fonts folder.
    char fullPath[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof fullPath, fullPath, nullptr);
    if (length == 0 || length >= sizeof fullPath)
        return false;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return false;
    std::vector<std::string> names;
    FT_Face face = nullptr;
    FT_Long faceCount = 0;
    if (FT_New_Face(library, fullPath, -1, &face) == 0) {
        faceCount = face->num_faces;
        FT_Done_Face(face);
    }
    for (FT_Long index = 0; index < faceCount; ++index) {
        std::string fullName;
        if (FT_New_Face(library, fullPath, index, &face) == 0) {
            if (!FT_IS_SFNT(face) || !HasGlyfTable(face) || !EnglishFullName(face, fullName))
                fullName.clear();
            FT_Done_Face(face);
        }
        names.push_back(fullName);
    }
    FT_Done_FreeType(library);
    return MakeFontValue(names, std::string(fullPath, length), value);
}

} // namespace platform
