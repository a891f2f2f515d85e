// Collecting the facts of the open face: counts, metrics, names, weight,
// version and italic angle, and the choice of code page and character map.
#include "FontFacts.h"
#include "PsSyntax.h"
#include "SfntLayout.h"

#include "../platform/Platform.h"

#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H

#include <cstdio>
#include <cstring>

namespace t42 {

namespace {

constexpr std::size_t kMaxNameLength = 255;

// Whether a name record is one GetNameString takes, and whether its string
// is UTF-16.
bool IsUsableNameRecord(const FT_SfntName& record, bool& utf16) {
    if (platform::IsWindowsEnglishName(record.platform_id, record.encoding_id, record.language_id)) {
        utf16 = true;
        return true;
    }
    if (record.platform_id == TT_PLATFORM_APPLE_UNICODE) {
        utf16 = true;
        return true;
    }
    if (record.platform_id == TT_PLATFORM_MACINTOSH && record.language_id == TT_MAC_LANGID_ENGLISH) {
        utf16 = false;
        return true;
    }
    return false;
}

// Copies `text` into a fixed field, cut to the field and, for the notice,
// without half a double-byte character at the cut.
template <std::size_t N> void CopyField(char (&field)[N], const std::string& text) {
    platform::MbsnbCopy(field, text.c_str(), N - 1);
    field[N - 1] = 0;
}

template <std::size_t N> void CopyPlainField(char (&field)[N], const std::string& text) {
    std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), length);
    field[length] = 0;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::uint32_t CodePageFromCharSet(std::uint8_t charSet, std::uint32_t userCodePage) {
    switch (charSet) {
    case 0: return 1252;
    case 1: return 0;
    case 2: return 42;
    case 77: return 2;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 255: return 0;
    default: return userCodePage;
    }
}

std::string GetNameString(FT_Face face, std::uint16_t nameId) {
    FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName record;
        bool utf16 = false;
        if (FT_Get_Sfnt_Name(face, i, &record) != 0 || record.name_id != nameId ||
            !IsUsableNameRecord(record, utf16))
            continue;
        std::string text;
        if (utf16) {
            for (FT_UInt unit = 0; unit + 1 < record.string_len && text.size() < kMaxNameLength; unit += 2)
                text += static_cast<char>(record.string[unit + 1]);
        } else {
            FT_UInt length = record.string_len < kMaxNameLength ? record.string_len : kMaxNameLength;
            text.assign(reinterpret_cast<const char*>(record.string), length);
        }
        // The text is zero-terminated: a zero byte inside ends it.
        return text.substr(0, std::strlen(text.c_str()));
    }
    return std::string();
}

std::string FixedToText(std::int32_t value, int digits) {
    std::string text;
    std::uint32_t magnitude = static_cast<std::uint32_t>(value);
    if (value < 0) {
        text += '-';
        magnitude = 0u - magnitude;
    }
    std::uint32_t whole = magnitude >> 16;
    std::uint32_t fraction = magnitude & 0xFFFF;
    std::string fractionDigits;
    while (fraction != 0 && static_cast<int>(fractionDigits.size()) < digits) {
        fraction *= 10;
        fractionDigits += static_cast<char>('0' + (fraction >> 16));
        fraction &= 0xFFFF;
    }
    if (fraction != 0 && ((fraction * 10) >> 16) >= 5) {
        // Round up, carrying through the digits and into the whole part.
        int i = static_cast<int>(fractionDigits.size()) - 1;
        for (; i >= 0; --i) {
            if (fractionDigits[i] != '9') {
                ++fractionDigits[i];
                break;
            }
            fractionDigits[i] = '0';
        }
        if (i < 0)
            ++whole;
    }
    text += std::to_string(whole);
    if (!fractionDigits.empty() || (magnitude & 0xFFFF) != 0)
        text += '.' + fractionDigits;
    return text;
}

const char* WeightName(std::uint16_t weightClass) {
    static const char* const kNames[] = {"Thin",     "Extra Light", "Light",      "Regular", "Medium",
                                         "Semibold", "Bold",        "Extra Bold", "Black"};
    int index = (static_cast<int>(weightClass) - 50) / 100;
    return kNames[index >= 9 ? 8 : index];
}

std::string VersionText(const std::string& s, std::int32_t fontRevision) {
    char text[32];
    if (s.size() >= 12 && platform::MbsnbICompare(s.c_str(), "Version ", 8) == 0 &&
        IsDigit(s[8]) && s[9] == '.' && IsDigit(s[10]) && IsDigit(s[11])) {
        std::snprintf(text, sizeof text, "00%c.%c%c0", s[8], s[10], s[11]);
    } else {
        long whole = fontRevision >> 16;
        long thousandths = static_cast<long>((static_cast<std::uint32_t>(fontRevision) & 0xFFFF) * 1000u >> 16);
        std::snprintf(text, sizeof text, "%03ld.%03ld", whole, thousandths);
    }
    return text;
}

std::int32_t ScaleToThousandths(std::int32_t value, std::uint16_t unitsPerEm) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(value) * 1000 / unitsPerEm);
}

Status LoadFontFacts(FT_Face face, const std::uint8_t* file, std::size_t size, FontFacts& facts) {
    facts = FontFacts{};
    const auto* head = static_cast<const TT_Header*>(FT_Get_Sfnt_Table(face, FT_SFNT_HEAD));
    // A face without head, glyf or loca, without glyphs or with a zero em
    // cannot become a Type 42 font: no interpreter can define it.
    if (!FT_IS_SFNT(face))
        return Status::Refuse(kBadFont, Check::notSfnt);
    if (!head)
        return Status::Refuse(kBadFont, Check::noHead);
    if (face->units_per_EM == 0)
        return Status::Refuse(kBadFont, Check::zeroEm);
    if (face->num_glyphs <= 0)
        return Status::Refuse(kBadFont, Check::noGlyphs);
    Status status = ReadFontTables(file, size, face->face_index, facts.tables);
    if (!status.Ok())
        return status;
    for (int t : {kGlyf, kLoca})
        if (!facts.tables.present[t])
            return Status::Refuse(kBadFont, Check::noTable, kTableTags[t]);
    if (SfntLayout(facts.tables).Size() > 0xFFFFFFFFull)
        return Status::Refuse(kBadFont, Check::rebuiltTooLarge);


    const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));

    facts.indexToLocFormat = head->Index_To_Loc_Format;
    facts.numGlyphs = static_cast<std::int32_t>(face->num_glyphs);
    facts.unitsPerEm = face->units_per_EM;
    facts.fontBBox[0] = ScaleToThousandths(static_cast<std::int32_t>(face->bbox.xMin), facts.unitsPerEm);
    facts.fontBBox[1] = ScaleToThousandths(static_cast<std::int32_t>(face->bbox.yMin), facts.unitsPerEm);
    facts.fontBBox[2] = ScaleToThousandths(static_cast<std::int32_t>(face->bbox.xMax), facts.unitsPerEm);
    facts.fontBBox[3] = ScaleToThousandths(static_cast<std::int32_t>(face->bbox.yMax), facts.unitsPerEm);
    if (post) {
        facts.minMemType42 = static_cast<std::uint32_t>(post->minMemType42);
        facts.maxMemType42 = static_cast<std::uint32_t>(post->maxMemType42);
        facts.underlinePosition = post->underlinePosition;
        facts.underlineThickness = post->underlineThickness;
        facts.isFixedPitch = static_cast<std::uint32_t>(post->isFixedPitch);
    }

    CopyPlainField(facts.italicAngle, FixedToText(post ? static_cast<std::int32_t>(post->italicAngle) : 0, 3));
    CopyPlainField(facts.weight, os2 ? WeightName(os2->usWeightClass) : "Regular");
    CopyPlainField(facts.trueTypeVersion, "001.000");
    CopyPlainField(facts.version,
                   VersionText(GetNameString(face, TT_NAME_ID_VERSION_STRING),
                               static_cast<std::int32_t>(head->Font_Revision)));
    CopyPlainField(facts.fontName,
                   SanitizeFontName(GetNameString(face, TT_NAME_ID_PS_NAME), sizeof facts.fontName - 1));
    CopyPlainField(facts.fullName, GetNameString(face, TT_NAME_ID_FULL_NAME));
    CopyPlainField(facts.familyName, GetNameString(face, TT_NAME_ID_FONT_FAMILY));
    CopyField(facts.notice, GetNameString(face, TT_NAME_ID_TRADEMARK));
    return Status{};
}

bool SelectCharmap(FT_Face face, std::uint32_t codePage) {
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0)
        return true;
    FT_Encoding encoding;
    switch (codePage) {
    case 2: encoding = FT_ENCODING_APPLE_ROMAN; break;
    case 42: encoding = FT_ENCODING_MS_SYMBOL; break;
    case 932: encoding = FT_ENCODING_SJIS; break;
    case 936: encoding = FT_ENCODING_GB2312; break;
    case 949: encoding = FT_ENCODING_WANSUNG; break;
    case 950: encoding = FT_ENCODING_BIG5; break;
    case 1250: encoding = FT_ENCODING_OLD_LATIN_2; break;
    case 1361: encoding = FT_ENCODING_JOHAB; break;
    default: encoding = FT_ENCODING_ADOBE_STANDARD; break;
    }
    return FT_Select_Charmap(face, encoding) == 0;
}

} // namespace t42
