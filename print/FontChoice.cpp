#include "FontChoice.h"

#include "platform/Platform.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <sstream>
#include <vector>
#include <memory>

namespace print {

namespace {

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && platform::MbsnbICompare(a.c_str(), b.c_str(), a.size()) == 0;
}

bool EndsWithIgnoringCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && EqualIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// Whether fontconfig says the face's outlines are `format` ("TrueType", "CFF").
bool HasFormat(FcPattern* pattern, const char* format) {
    FcChar8* value = nullptr;
    return FcPatternGetString(pattern, FC_FONTFORMAT, 0, &value) == FcResultMatch &&
           std::strcmp(reinterpret_cast<const char*>(value), format) == 0;
}

// A face fontconfig lists that the printer can take: TrueType or CFF
// outlines, not a named instance of a variable font.
bool IsOutlineFace(FcPattern* pattern, t42::FontLocation& location) {
    FcChar8* file = nullptr;
    FcBool outline = FcTrue;
    int index = 0;
    if ((!HasFormat(pattern, "TrueType") && !HasFormat(pattern, "CFF")) ||
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

// Whether every glyph of the face has one advance (or two, as CJK
// monospace faces have).
bool IsMonospaced(FcPattern* pattern) {
    int spacing = FC_PROPORTIONAL;
    return FcPatternGetInteger(pattern, FC_SPACING, 0, &spacing) == FcResultMatch &&
           (spacing == FC_MONO || spacing == FC_DUAL);
}

// Whether the family asked for is monospaced: the generic family, or an
// installed family all of whose faces are.
bool WantsMonospace(const std::string& family) {
    if (EqualIgnoringCase(family, "monospace") || EqualIgnoringCase(family, "mono"))
        return true;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcObjectSet* objects = FcObjectSetBuild(FC_SPACING, nullptr);
    FcFontSet* faces = FcFontList(nullptr, pattern, objects);
    bool mono = faces && faces->nfont > 0;
    for (int i = 0; mono && i < faces->nfont; ++i)
        mono = IsMonospaced(faces->fonts[i]);
    if (faces)
        FcFontSetDestroy(faces);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return mono;
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

// A font as Pango describes it: "[FAMILIES] [STYLE WORDS] [SIZE]", such
// as "Monospace 9" or "DejaVu Sans Bold Italic 11".
struct Description {
    std::string families; // comma-separated, as fontconfig reads them
    int weight = -1;       // OpenType weight; -1: not said
    int slant = -1;        // fontconfig slant; -1: not said
    int width = -1;        // fontconfig width; -1: not said
    double size = 0;       // points; 0: not said
    bool styled = false;   // a style word or a size was found
};

struct StyleWord {
    const char* word; // lower case, without hyphens
    int weight, slant, width;
};

constexpr StyleWord kStyleWords[] = {
    {"normal", -1, -1, -1}, {"roman", -1, FC_SLANT_ROMAN, -1}, {"oblique", -1, FC_SLANT_OBLIQUE, -1},
    {"italic", -1, FC_SLANT_ITALIC, -1}, {"smallcaps", -1, -1, -1}, {"thin", 100, -1, -1},
    {"ultralight", 200, -1, -1}, {"extralight", 200, -1, -1}, {"light", 300, -1, -1},
    {"semilight", 350, -1, -1}, {"demilight", 350, -1, -1}, {"book", 380, -1, -1}, {"regular", 400, -1, -1},
    {"medium", 500, -1, -1}, {"semibold", 600, -1, -1}, {"demibold", 600, -1, -1}, {"bold", 700, -1, -1},
    {"ultrabold", 800, -1, -1}, {"extrabold", 800, -1, -1}, {"heavy", 900, -1, -1}, {"black", 900, -1, -1},
    {"ultrablack", 1000, -1, -1}, {"extrablack", 1000, -1, -1},
    {"ultracondensed", -1, -1, FC_WIDTH_ULTRACONDENSED}, {"extracondensed", -1, -1, FC_WIDTH_EXTRACONDENSED},
    {"condensed", -1, -1, FC_WIDTH_CONDENSED}, {"semicondensed", -1, -1, FC_WIDTH_SEMICONDENSED},
    {"semiexpanded", -1, -1, FC_WIDTH_SEMIEXPANDED}, {"expanded", -1, -1, FC_WIDTH_EXPANDED},
    {"extraexpanded", -1, -1, FC_WIDTH_EXTRAEXPANDED}, {"ultraexpanded", -1, -1, FC_WIDTH_ULTRAEXPANDED}};

const StyleWord* FindStyleWord(const std::string& word) {
    std::string key;
    for (char c : word)
        if (c != '-')
            key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const StyleWord& style : kStyleWords)
        if (key == style.word)
            return &style;
    return nullptr;
}

// A size: digits with at most one point, and "px" or nothing after them.
bool ReadSize(std::string word, double& size) {
    if (word.size() > 2 && word.compare(word.size() - 2, 2, "px") == 0)
        word.resize(word.size() - 2);
    if (word.empty() || word.size() > 8 || word.find_first_not_of("0123456789.") != std::string::npos ||
        word.find('.') != word.rfind('.') || word == ".")
        return false;
    size = std::strtod(word.c_str(), nullptr);
    return size > 0;
}

// Reads the style words and the size from the end of `name`; what stays
// before them is the family list. Names with a colon are fontconfig's.
Description ReadDescription(const std::string& name) {
    Description description;
    std::vector<std::string> words;
    std::istringstream split(name);
    for (std::string word; split >> word;)
        words.push_back(word);
    if (name.find(':') != std::string::npos)
        words.clear();
    if (!words.empty() && words.size() > 1 && ReadSize(words.back(), description.size)) {
        words.pop_back();
        description.styled = true;
    }
    while (words.size() > 1) {
        const StyleWord* style = FindStyleWord(words.back());
        if (!style)
            break;
        if (style->weight >= 0 && description.weight < 0)
            description.weight = style->weight;
        if (style->slant >= 0 && description.slant < 0)
            description.slant = style->slant;
        if (style->width >= 0 && description.width < 0)
            description.width = style->width;
        description.styled = true;
        words.pop_back();
    }
    for (const std::string& word : words)
        description.families += (description.families.empty() ? "" : " ") + word;
    while (!description.families.empty() && description.families.back() == ',')
        description.families.pop_back();
    return description;
}

// The fontconfig pattern of a description: its families, in order, and
// the style it names.
FcPattern* DescriptionPattern(const Description& description) {
    FcPattern* pattern = FcPatternCreate();
    std::istringstream split(description.families);
    for (std::string family; std::getline(split, family, ',');) {
        std::size_t first = family.find_first_not_of(' '), last = family.find_last_not_of(' ');
        if (first != std::string::npos)
            FcPatternAddString(pattern, FC_FAMILY,
                               reinterpret_cast<const FcChar8*>(family.substr(first, last - first + 1).c_str()));
    }
    if (description.weight >= 0)
        FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(description.weight));
    if (description.slant >= 0)
        FcPatternAddInteger(pattern, FC_SLANT, description.slant);
    if (description.width >= 0)
        FcPatternAddInteger(pattern, FC_WIDTH, description.width);
    return pattern;
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

bool AddCffFontFile(const std::string& path) {
    // Only a regular file: a FIFO with no writer would never open.
    struct stat status;
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    FcFontSet* faces = FcFontSetCreate();
    int count = 0;
    FcFreeTypeQueryAll(reinterpret_cast<const FcChar8*>(path.c_str()), -1, nullptr, &count, faces);
    bool cff = false;
    for (int i = 0; i < faces->nfont && !cff; ++i)
        cff = HasFormat(faces->fonts[i], "CFF");
    FcFontSetDestroy(faces);
    return cff && FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str()));
}

bool FindCffFace(const std::string& name, t42::FontLocation& location) {
    bool found = false;
    for (const char* object : {FC_FULLNAME, FC_POSTSCRIPT_NAME, FC_FAMILY}) {
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, object, reinterpret_cast<const FcChar8*>(name.c_str()));
        FcPatternAddString(pattern, FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("CFF"));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
        FcPatternDestroy(pattern);
        for (int i = 0; sorted && !found && i < sorted->nfont; ++i) {
            FcChar8* value = nullptr;
            bool named = false;
            for (int n = 0; !named && FcPatternGetString(sorted->fonts[i], object, n, &value) == FcResultMatch; ++n)
                named = EqualIgnoringCase(reinterpret_cast<const char*>(value), name);
            found = named && HasFormat(sorted->fonts[i], "CFF") && IsOutlineFace(sorted->fonts[i], location);
        }
        if (sorted)
            FcFontSetDestroy(sorted);
        if (found)
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
        if (!HasName(font, traits.family) || !IsOutlineFace(font, location))
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
                            double& size, std::string& error, std::string& warning) {
    bool listed = FindListedFace(name, location);
    Description description = ReadDescription(listed ? std::string("monospace") : name);
    size = description.size;
    FcPattern* pattern = description.styled ? DescriptionPattern(description)
                                            : FcNameParse(reinterpret_cast<const FcChar8*>(
                                                  listed ? "monospace" : name.c_str()));
    if (!pattern) {
        error = "fontconfig cannot read the font name \"" + name + "\"";
        return false;
    }
    std::string family;
    FcChar8* requested = nullptr;
    if (FcPatternGetString(pattern, FC_FAMILY, 0, &requested) == FcResultMatch)
        family = reinterpret_cast<const char*>(requested);
    if (weight != 400 && description.weight < 0)
        FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    if (italic && description.slant < 0)
        FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ITALIC);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    sorted_ = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    FcPatternDestroy(pattern);
    if (listed)
        return true;
    // A monospaced family asked for is never given a proportional face.
    bool mono = !family.empty() && WantsMonospace(family);
    for (int pass = mono ? 0 : 1; pass < 2; ++pass) {
        for (int i = 0; sorted_ && i < sorted_->nfont; ++i) {
            FcPattern* face = sorted_->fonts[i];
            if (!IsOutlineFace(face, location) || (pass == 0 && !IsMonospaced(face)))
                continue;
            if (!family.empty() && !IsGenericFamily(family) && !HasName(face, family)) {
                FcChar8* chosen = nullptr;
                FcPatternGetString(face, FC_FULLNAME, 0, &chosen);
                warning = "no installed font is named \"" + family + "\"; fontconfig chose \"" +
                          (chosen ? reinterpret_cast<const char*>(chosen) : location.path.c_str()) + "\"";
            }
            return true;
        }
    }
    error = "fontconfig finds no font with outlines for \"" + name + "\"";
    return false;
}

bool FontChoice::Fallback(std::uint32_t codePoint, std::size_t& cursor, t42::FontLocation& location) const {
    for (; sorted_ && cursor < static_cast<std::size_t>(sorted_->nfont); ++cursor) {
        FcPattern* font = sorted_->fonts[cursor];
        FcCharSet* characters = nullptr;
        if (FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) != FcResultMatch ||
            !FcCharSetHasChar(characters, codePoint) || !IsOutlineFace(font, location))
            continue;
        ++cursor;
        return true;
    }
    return false;
}

} // namespace print
