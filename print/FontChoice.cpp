#include "FontChoice.h"

#include "platform/Platform.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace print {

namespace {

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && platform::MbsnbICompare(a.c_str(), b.c_str(), a.size()) == 0;
}

bool EndsWithIgnoringCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && EqualIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// A face fontconfig lists that the converter can take: TrueType outlines,
// not a named instance of a variable font.
bool IsTrueTypeFace(FcPattern* pattern, t42::FontLocation& location) {
    FcChar8* format = nullptr;
    FcChar8* file = nullptr;
    FcBool outline = FcTrue;
    int index = 0;
    if (FcPatternGetString(pattern, FC_FONTFORMAT, 0, &format) != FcResultMatch ||
        std::strcmp(reinterpret_cast<const char*>(format), "TrueType") != 0 ||
        (FcPatternGetBool(pattern, FC_OUTLINE, 0, &outline) == FcResultMatch && !outline) ||
        FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch)
        return false;
    if (FcPatternGetInteger(pattern, FC_INDEX, 0, &index) != FcResultMatch)
        index = 0;
    if ((index >> 16) != 0)
        return false;
    location.path = reinterpret_cast<const char*>(file);
    location.faceIndex = index;
    return true;
}

// Whether the font has `family` among its family or full names.
bool HasName(FcPattern* pattern, const std::string& family) {
    FcChar8* name = nullptr;
    for (const char* object : {FC_FAMILY, FC_FULLNAME})
        for (int i = 0; FcPatternGetString(pattern, object, i, &name) == FcResultMatch; ++i)
            if (EqualIgnoringCase(reinterpret_cast<const char*>(name), family))
                return true;
    return false;
}

bool IsGenericFamily(const std::string& family) {
    for (const char* generic : {"monospace", "mono", "sans-serif", "sans", "serif", "emoji", "math", "cursive",
                                "fantasy", "system-ui"})
        if (EqualIgnoringCase(family, generic))
            return true;
    return false;
}

} // namespace

bool IsFontPattern(const std::string& name) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name.c_str()));
    if (pattern)
        FcPatternDestroy(pattern);
    return pattern != nullptr;
}

bool FindListedFace(const std::string& name, t42::FontLocation& location) {
    std::string query = name;
    if (EndsWithIgnoringCase(query, platform::kTrueTypeSuffix))
        query.resize(query.size() - std::strlen(platform::kTrueTypeSuffix));
    std::string folder;
    if (std::unique_ptr<platform::FontValues> values = platform::FontValues::Open())
        values->FontsFolder(folder);
    std::string suffix = platform::kTrueTypeSuffix;
    for (const platform::FontValue& value : platform::CurrentFontValues()) {
        std::string display = value.name;
        if (EndsWithIgnoringCase(display, suffix))
            display.resize(display.size() - suffix.size());
        int faceIndex = 0;
        if (!EqualIgnoringCase(display, query) && !t42::MatchFaceName(query.c_str(), display.c_str(), faceIndex))
            continue;
        location.path = value.data.find(platform::kPathSeparator) == std::string::npos ? folder + value.data
                                                                                         : value.data;
        location.faceIndex = faceIndex;
        return true;
    }
    return false;
}

namespace {

// What fontconfig reads from the face at `location`: its first family
// name, width, weight and slant.
struct FaceTraits {
    std::string family;
    int width = FC_WIDTH_NORMAL;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
};

bool TraitsOf(const t42::FontLocation& location, FaceTraits& traits) {
    int count = 0;
    FcPattern* query = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(location.path.c_str()),
                                       static_cast<unsigned>(location.faceIndex), nullptr, &count);
    if (!query)
        return false;
    FcChar8* name = nullptr;
    bool found = FcPatternGetString(query, FC_FAMILY, 0, &name) == FcResultMatch;
    if (found)
        traits.family = reinterpret_cast<const char*>(name);
    FcPatternGetInteger(query, FC_WIDTH, 0, &traits.width);
    FcPatternGetInteger(query, FC_WEIGHT, 0, &traits.weight);
    FcPatternGetInteger(query, FC_SLANT, 0, &traits.slant);
    FcPatternDestroy(query);
    return found;
}

} // namespace

// The face asked for keeps the regular face's width, and its weight or
// slant where it is not asked to change them: the italic of a bold main
// font is its bold italic.
bool FindStyledFace(const t42::FontLocation& regular, bool& bold, bool& italic, t42::FontLocation& location) {
    FaceTraits traits;
    if ((!bold && !italic) || !TraitsOf(regular, traits))
        return false;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(traits.family.c_str()));
    FcPatternAddInteger(pattern, FC_WIDTH, traits.width);
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? std::max<int>(traits.weight, FC_WEIGHT_BOLD) : traits.weight);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : traits.slant);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    FcPatternDestroy(pattern);
    bool found = false;
    for (int i = 0; sorted && i < sorted->nfont; ++i) {
        FcPattern* font = sorted->fonts[i];
        if (!HasName(font, traits.family) || !IsTrueTypeFace(font, location))
            continue;
        int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(font, FC_SLANT, 0, &slant);
        bold = bold && weight >= FC_WEIGHT_DEMIBOLD;
        italic = italic && slant != FC_SLANT_ROMAN;
        found = (bold || italic) && (location.path != regular.path || location.faceIndex != regular.faceIndex);
        break;
    }
    if (sorted)
        FcFontSetDestroy(sorted);
    return found;
}

FontChoice::~FontChoice() {
    if (sorted_)
        FcFontSetDestroy(sorted_);
}

bool FontChoice::ChooseMain(const std::string& name, int weight, bool italic, t42::FontLocation& location,
                            std::string& error, std::string& warning) {
    bool listed = FindListedFace(name, location);
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(listed ? "monospace" : name.c_str()));
    if (!pattern) {
        error = "fontconfig cannot read the font name \"" + name + "\"";
        return false;
    }
    std::string family;
    FcChar8* requested = nullptr;
    if (FcPatternGetString(pattern, FC_FAMILY, 0, &requested) == FcResultMatch)
        family = reinterpret_cast<const char*>(requested);
    if (weight != 400)
        FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    if (italic)
        FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ITALIC);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    sorted_ = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    FcPatternDestroy(pattern);
    if (listed)
        return true;
    for (int i = 0; sorted_ && i < sorted_->nfont; ++i) {
        if (!IsTrueTypeFace(sorted_->fonts[i], location))
            continue;
        if (!family.empty() && !IsGenericFamily(family) && !HasName(sorted_->fonts[i], family)) {
            FcChar8* chosen = nullptr;
            FcPatternGetString(sorted_->fonts[i], FC_FULLNAME, 0, &chosen);
            warning = "no installed TrueType font is named \"" + family + "\"; fontconfig chose \"" +
                      (chosen ? reinterpret_cast<const char*>(chosen) : location.path.c_str()) + "\"";
        }
        return true;
    }
    error = "fontconfig finds no TrueType font for \"" + name + "\"";
    return false;
}

bool FontChoice::Fallback(std::uint32_t codePoint, std::size_t& cursor, t42::FontLocation& location) const {
    for (; sorted_ && cursor < static_cast<std::size_t>(sorted_->nfont); ++cursor) {
        FcPattern* font = sorted_->fonts[cursor];
        FcCharSet* characters = nullptr;
        if (FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) != FcResultMatch ||
            !FcCharSetHasChar(characters, codePoint) || !IsTrueTypeFace(font, location))
            continue;
        ++cursor;
        return true;
    }
    return false;
}

} // namespace print
