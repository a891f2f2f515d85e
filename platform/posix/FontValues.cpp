// The installed-fonts list on POSIX, read from fontconfig: one value per
// font file with a face with TrueType outlines, named like the Windows
// registry names its values, in path order.
#include "../ListedFontValues.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace platform {

namespace {

constexpr const char* kDefaultFontsFolder = "/usr/share/fonts/";

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

// Whether a pattern is a face of its own (named instances of variable fonts
// are not), its index, and whether it has TrueType (glyf) outlines, as
// Windows would list it: CFF-based OpenType says "CFF", and bitmap-only
// sfnt fonts have no outlines.
bool IsFace(FcPattern* pattern, int& index, bool& trueType) {
    if (FcPatternGetInteger(pattern, FC_INDEX, 0, &index) != FcResultMatch)
        index = 0;
    FcChar8* format = nullptr;
    FcBool outline = FcTrue;
    trueType = FcPatternGetString(pattern, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
               std::strcmp(reinterpret_cast<const char*>(format), "TrueType") == 0 &&
               !(FcPatternGetBool(pattern, FC_OUTLINE, 0, &outline) == FcResultMatch && !outline);
    return (index >> 16) == 0;
}

// Face names of one file by face index, in the user's code page; empty for
// a face without TrueType outlines.
using FacesByFile = std::map<std::string, std::vector<std::string>>;

bool IsAscii(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

void CollectFaces(FcFontSet* fonts, FacesByFile& files) {
    if (!fonts)
        return;
    const std::uint32_t codePage = UserCodePage();
    for (int i = 0; i < fonts->nfont; ++i) {
        FcPattern* pattern = fonts->fonts[i];
        FcChar8* file = nullptr;
        int index = 0;
        bool trueType = false;
        if (FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch || !IsFace(pattern, index, trueType))
            continue;
        std::vector<std::string>& faces = files[reinterpret_cast<const char*>(file)];
        if (faces.size() <= static_cast<std::size_t>(index))
            faces.resize(static_cast<std::size_t>(index) + 1);
        if (trueType && faces[static_cast<std::size_t>(index)].empty()) {
            // Most names are ASCII, the same in every code page: only the
            // others go through a converter.
            std::string name = EnglishFullName(pattern);
            faces[static_cast<std::size_t>(index)] = IsAscii(name) ? std::move(name) : Utf8ToCodePage(name, codePage);
        }
    }
}

std::vector<FontValue> ValuesOf(const FacesByFile& files) {
    std::vector<FontValue> values;
    values.reserve(files.size());
    FontValue value;
    for (const auto& file : files)
        if (MakeFontValue(file.second, file.first, value))
            values.push_back(value);
    return values;
}

} // namespace

std::unique_ptr<FontValues> OpenInstalledFontValues() {
    // Picks up fonts installed or removed since the last look.
    if (!FcInitBringUptoDate())
        return nullptr;
    // The configuration's own sets of fonts, read in place: FcFontList
    // would copy every pattern first. The reference keeps them while
    // another thread may bring the configuration up to date.
    std::unique_ptr<FcConfig, void (*)(FcConfig*)> config(FcConfigReference(nullptr), FcConfigDestroy);
    if (!config)
        return nullptr;
    FacesByFile files;
    CollectFaces(FcConfigGetFonts(config.get(), FcSetSystem), files);
    CollectFaces(FcConfigGetFonts(config.get(), FcSetApplication), files);
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
