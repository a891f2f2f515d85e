// The installed-fonts list on POSIX, read from fontconfig: one value per
// font file with TrueType outlines, named like the Windows registry names
// its values, in path order.
#include "../ListedFontValues.h"
#include "CodePageNames.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace platform {

namespace {

constexpr const char* kMarker = " (TrueType)";
constexpr const char* kDefaultFontsFolder = "/usr/share/fonts/";

struct Face {
    int index;
    std::string fullName; // UTF-8
};

bool StartsWithLanguage(const char* lang, const char* prefix) {
    std::size_t length = std::strlen(prefix);
    return std::strncmp(lang, prefix, length) == 0 &&
           (lang[length] == 0 || lang[length] == '-' || lang[length] == '_');
}

// The English full name of a face, else its first full name, else its
// family name.
std::string EnglishFullName(FcPattern* pattern) {
    FcChar8* name = nullptr;
    FcChar8* lang = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FULLNAME, i, &name) == FcResultMatch; ++i) {
        if (FcPatternGetString(pattern, FC_FULLNAMELANG, i, &lang) == FcResultMatch &&
            StartsWithLanguage(reinterpret_cast<const char*>(lang), "en"))
            return reinterpret_cast<const char*>(name);
    }
    if (FcPatternGetString(pattern, FC_FULLNAME, 0, &name) == FcResultMatch)
        return reinterpret_cast<const char*>(name);
    if (FcPatternGetString(pattern, FC_FAMILY, 0, &name) == FcResultMatch)
        return reinterpret_cast<const char*>(name);
    return std::string();
}

// Whether a pattern is a face with TrueType (glyf) outlines that Windows
// would list as TrueType: CFF-based OpenType says "CFF", bitmap-only sfnt
// fonts have no outlines, and named instances of variable fonts are not
// faces of their own.
bool IsListedTrueTypeFace(FcPattern* pattern, int& index) {
    FcChar8* format = nullptr;
    if (FcPatternGetString(pattern, FC_FONTFORMAT, 0, &format) != FcResultMatch ||
        std::strcmp(reinterpret_cast<const char*>(format), "TrueType") != 0)
        return false;
    FcBool outline = FcTrue;
    if (FcPatternGetBool(pattern, FC_OUTLINE, 0, &outline) == FcResultMatch && !outline)
        return false;
    if (FcPatternGetInteger(pattern, FC_INDEX, 0, &index) != FcResultMatch)
        index = 0;
    return (index >> 16) == 0;
}

// The value name of a file from its faces: full names in face-index order
// joined by " & ", then the marker, in the user's code page.
std::string ValueName(std::vector<Face> faces) {
    std::sort(faces.begin(), faces.end(),
              [](const Face& a, const Face& b) { return a.index < b.index; });
    std::string joined;
    int previous = -1;
    for (const Face& face : faces) {
        if (face.index == previous)
            continue; // one file can be listed twice under one index
        if (!joined.empty())
            joined += " & ";
        joined += face.fullName;
        previous = face.index;
    }
    return Utf8ToCodePage(joined, UserCodePage()) + kMarker;
}

using FacesByFile = std::map<std::string, std::vector<Face>>;

void CollectFaces(FcFontSet* fonts, FacesByFile& files) {
    if (!fonts)
        return;
    for (int i = 0; i < fonts->nfont; ++i) {
        FcPattern* pattern = fonts->fonts[i];
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch ||
            !IsListedTrueTypeFace(pattern, index))
            continue;
        files[reinterpret_cast<const char*>(file)].push_back({index, EnglishFullName(pattern)});
    }
}

std::vector<FontValue> ValuesOf(const FacesByFile& files) {
    std::vector<FontValue> values;
    values.reserve(files.size());
    for (const auto& file : files)
        values.push_back({ValueName(file.second), file.first});
    return values;
}

} // namespace

std::unique_ptr<FontValues> OpenInstalledFontValues() {
    // Picks up fonts installed or removed since the last look.
    if (!FcInitBringUptoDate())
        return nullptr;
    FcPattern* all = FcPatternCreate();
    FcObjectSet* objects =
        FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FULLNAME, FC_FULLNAMELANG, FC_FAMILY,
                         FC_FONTFORMAT, FC_OUTLINE, static_cast<char*>(nullptr));
    FcFontSet* fonts = FcFontList(nullptr, all, objects);
    FacesByFile files;
    CollectFaces(fonts, files);
    if (fonts)
        FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(all);
    return std::make_unique<ListedFontValues>(ValuesOf(files), kDefaultFontsFolder);
}

bool DescribeFontFile(const std::string& path, FontValue& value) {
    // Listed by absolute path: data without a '/' would be taken against
    // the fonts folder.
    char* absolute = realpath(path.c_str(), nullptr);
    if (!absolute)
        return false;
    FcFontSet* fonts = FcFontSetCreate();
    int count = 0;
    FcFreeTypeQueryAll(reinterpret_cast<const FcChar8*>(absolute), -1, nullptr, &count, fonts);
    std::free(absolute);
    FacesByFile files;
    CollectFaces(fonts, files);
    FcFontSetDestroy(fonts);
    if (files.empty())
        return false;
    std::vector<FontValue> values = ValuesOf(files);
    value = values.front();
    return true;
}

} // namespace platform
