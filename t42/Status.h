// Result codes and the reasons behind a refusal. The codes are the public
// header's; a refusal carries, besides its code, which check failed (which
// table, which FreeType error), made where the check fails and carried up
// unchanged to whoever reports it.
#pragma once

#include "../include/quelin.h"

#include <cstdint>
#include <string>

namespace t42 {

enum ResultCode : int {
    kOk = T42_OK,
    kNoSuchFont = T42_ERROR_NO_SUCH_FONT,
    kBadFont = T42_ERROR_BAD_FONT,
    kBadHandle = T42_ERROR_BAD_HANDLE,
    kBadRequest = T42_ERROR_REQUEST,
    kEngineFailed = T42_ERROR_ENGINE,
    kBufferTooSmall = T42_ERROR_BUFFER_TOO_SMALL,
    kBadText = T42_ERROR_BAD_TEXT,
};

// The check that refused a conversion.
enum class Check : std::uint8_t {
    none,
    noRequest,           // null request
    unterminatedName,    // no zero byte in the face name's field
    notListed,           // no installed TrueType font has the face name
    noFontsList,         // the installed-fonts list cannot be read
    engineFailed,        // FreeType did not start (error)
    fileUnreadable,      // the font file cannot be read (errno)
    faceUnopenable,      // FreeType cannot open the face (error)
    notSfnt,             // the face is not an sfnt font
    noHead,              // no head table
    zeroEm,              // unitsPerEm is 0
    noGlyphs,            // the face has no glyphs
    faceIndexPastEnd,    // the collection has no face of that index
    directoryPastEnd,    // the table directory runs past the end of the file
    tablePastEnd,        // a table runs past the end of the file (table)
    noTable,             // a required table is missing (table)
    rebuiltTooLarge,     // the rebuilt file would pass 4 GB
    glyphPastEnd,        // a subset asks for a glyph the font lacks
    glyphsOverlap,       // a subset's glyph records overlap
    subsetFailed,        // the subsetter could not subset the font
    subsetIncomplete,    // the subset made lacks glyphs it was asked for
    outOfMemory,
    noHandleLeft,        // every handle number has been issued
    internalError,
};

struct Status {
    int code = kOk;
    Check check = Check::none;
    std::uint32_t table = 0; // the table's tag, for the checks that name one
    int error = 0;           // FreeType's error or errno, for those that have one

    bool Ok() const { return code == kOk; }

    // One clause saying why, such as "the loca table runs past the end of
    // the file"; empty for success.
    std::string Reason() const;

    static Status Refuse(int code, Check check, std::uint32_t table = 0, int error = 0) {
        return Status{code, check, table, error};
    }
};

// The table tag as text, such as "loca" or "cvt".
std::string TagText(std::uint32_t tag);

} // namespace t42
