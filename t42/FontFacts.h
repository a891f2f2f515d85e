// What the writers need to know about a face, gathered once when it is
// loaded, and the small text rules that produce it.
#pragma once

#include "SfntDirectory.h"
#include "Status.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>

namespace t42 {

struct FontFacts {
    std::int16_t indexToLocFormat;
    std::int32_t numGlyphs;
    std::uint32_t minMemType42;
    std::uint32_t maxMemType42;
    std::int32_t underlinePosition;
    std::int32_t underlineThickness;
    std::uint16_t unitsPerEm;
    std::int32_t fontBBox[4]; // xMin, yMin, xMax, yMax in thousandths of an em
    std::uint32_t isFixedPitch;
    char version[32];
    char trueTypeVersion[32];
    char fontName[128];   // up to 127 bytes: the language's limit on a name
    char fullName[256];   // the whole name string
    char familyName[256]; // the whole name string
    char weight[32];
    char italicAngle[32];
    char notice[260];
    FontTables tables; // the nine tables' entries in the font's own directory
};

// Gathers the facts of `face`, opened from the font file `file` of `size`
// bytes. Refused for a face that cannot become a Type 42 font.
Status LoadFontFacts(FT_Face face, const std::uint8_t* file, std::size_t size, FontFacts& facts);

// Selects the face's Unicode map, else the map of `codePage`'s encoding, else
// the Adobe standard map; false when the face has none of them.
bool SelectCharmap(FT_Face face, std::uint32_t codePage);

// Code page of a LOGFONTA character set; `userCodePage` for unknown sets.
std::uint32_t CodePageFromCharSet(std::uint8_t charSet, std::uint32_t userCodePage);

// The face's name string with ID `nameId` as 8-bit text, at most 255 bytes:
// the first Windows-English, Unicode or Macintosh-English record, UTF-16
// taken one low byte per code unit. Empty when there is none.
std::string GetNameString(FT_Face face, std::uint16_t nameId);

// A 16.16 fixed-point value as decimal text with at most `digits` fraction
// digits, the last one rounded.
std::string FixedToText(std::int32_t value, int digits);

// "Thin" ... "Black" for an OS/2 usWeightClass.
const char* WeightName(std::uint16_t weightClass);

// "DDD.DDD" from a "Version N.NN" name string, else from the head table's
// fontRevision.
std::string VersionText(const std::string& versionString, std::int32_t fontRevision);

// One bounding-box value in thousandths of an em, truncated toward zero.
std::int32_t ScaleToThousandths(std::int32_t value, std::uint16_t unitsPerEm);

} // namespace t42
