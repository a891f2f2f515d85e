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
    return FindFontFile(std::vector<std::string>{faceName}, location);
}

std::vector<std::string> RequestedFaceNames(const char* faceName, bool bold, bool italic) {
    std::vector<const char*> styles;
    if (bold && italic)
        styles = {" Bold Italic", " Bold Oblique", " Bold", " Italic", " Oblique"};
    else if (bold)
        styles = {" Bold"};
    else if (italic)
        styles = {" Italic", " Oblique"};
    std::vector<std::string> names;
    for (const char* style : styles)
        names.push_back(faceName + std::string(style));
    names.push_back(faceName);
    return names;
}

bool FindFontFile(const std::vector<std::string>& faceNames, FontLocation& location) {
    std::string& path = location.path;
    std::unique_ptr<platform::FontValues> values = platform::FontValues::Open();
    if (!values || !values->FontsFolder(path))
        return false;
    const std::string folder = path;
    // One pass over the list: the best name found so far (the earliest in
    // `faceNames`) is kept until an earlier one turns up.
    std::size_t best = faceNames.size();
    char name[kValueNameCapacity];
    char data[kValueDataCapacity];
    for (std::uint32_t index = 0; best != 0; ++index) {
        std::uint32_t nameLength = kValueNameCapacity;
        std::uint32_t dataLength = kValueDataCapacity;
        // The first value that cannot be read whole ends the search.
        if (values->Read(index, name, &nameLength, data, &dataLength) != platform::ValueStatus::ok)
            break;
        // The display name ends where the marker's blank stands.
        const char* marker = std::strstr(name, platform::kTrueTypeSuffix + 1);
        if (!marker)
            continue;
        std::string displayName(name, marker == name ? 0 : static_cast<std::size_t>(marker - name - 1));
        for (std::size_t n = 0; n < best; ++n) {
            int faceIndex = 0;
            if (!MatchFaceName(faceNames[n].c_str(), displayName.c_str(), faceIndex))
                continue;
            best = n;
            location.faceIndex = faceIndex;
            if (platform::MbsChr(data, static_cast<unsigned char>(platform::kPathSeparator)))
                path = data;
            else
                path = folder + data;
            break;
        }
    }
    return best != faceNames.size();
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
