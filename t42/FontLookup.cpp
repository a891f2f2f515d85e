// Finding the font file of a face name among the installed TrueType fonts.
#include "FontLookup.h"

#include "../platform/Platform.h"

#include <cstring>

namespace t42 {

namespace {

constexpr std::uint32_t kValueNameCapacity = 1024;
constexpr std::uint32_t kValueDataCapacity = 1024;

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

bool EqualIgnoringCase(const std::string& a, const char* b) {
    return platform::MbsnbICompare(a.c_str(), b, static_cast<std::size_t>(-1)) == 0;
}

} // namespace

bool FindFontFile(const char* faceName, FontLocation& location) {
    std::string& path = location.path;
    std::unique_ptr<platform::FontValues> values = platform::FontValues::Open();
    if (!values || !values->FontsFolder(path))
        return false;
    char name[kValueNameCapacity];
    char data[kValueDataCapacity];
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t nameLength = kValueNameCapacity;
        std::uint32_t dataLength = kValueDataCapacity;
        // The first value that cannot be read whole ends the search.
        if (values->Read(index, name, &nameLength, data, &dataLength) != platform::ValueStatus::ok)
            return false;
        // The display name ends where the marker's blank stands.
        const char* marker = std::strstr(name, platform::kTrueTypeSuffix + 1);
        if (!marker)
            continue;
        std::string displayName(name, marker == name ? 0 : static_cast<std::size_t>(marker - name - 1));
        if (!MatchFaceName(faceName, displayName.c_str(), location.faceIndex))
            continue;
        if (platform::MbsChr(data, static_cast<unsigned char>(platform::kPathSeparator)))
            path = data;
        else
            path += data;
        return true;
    }
}

bool MatchFaceName(const char* faceName, const char* displayName, int& faceIndex) {
    std::string names(displayName);
    while (!names.empty() && IsWhiteSpace(names.back()))
        names.pop_back();
    faceIndex = 0;
    std::size_t start = 0;
    for (int position = 0;; ++position) {
        std::size_t separator = names.find(platform::kFaceSeparator, start);
        std::string candidate = names.substr(start, separator == std::string::npos ? std::string::npos
                                                                                   : separator - start);
        if (EqualIgnoringCase(candidate, faceName)) {
            faceIndex = position;
            return true;
        }
        if (separator == std::string::npos)
            return false;
        start = separator + std::strlen(platform::kFaceSeparator);
    }
}

} // namespace t42
