#include "Status.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstring>

namespace t42 {

namespace {

// FreeType's own message for one of its error codes.
const char* FreeTypeMessage(int error) {
#undef FTERRORS_H_
#define FT_ERROR_START_LIST switch (error) {
#define FT_ERRORDEF(e, v, s) \
    case v:                  \
        return s;
#define FT_ERROR_END_LIST }
#include FT_ERRORS_H
    return "unknown error";
}

std::string FreeTypeError(int error) {
    return std::string(FreeTypeMessage(error)) + " (FreeType error " + std::to_string(error) + ")";
}

} // namespace

std::string TagText(std::uint32_t tag) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>(tag >> shift);
        text += c >= 0x20 && c < 0x7F ? c : '?';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string Status::Reason() const {
    const std::string name = "the " + TagText(table) + " table";
    switch (check) {
    case Check::none: return std::string();
    case Check::noRequest: return "no font request was given";
    case Check::unterminatedName: return "the face name has no terminating zero within its 32 bytes";
    case Check::notListed: return "no installed TrueType font has this face name";
    case Check::noFontsList: return "the list of installed fonts cannot be read";
    case Check::engineFailed: return "the font engine failed to start: " + FreeTypeError(error);
    case Check::fileUnreadable: return std::string("the font file cannot be read: ") + std::strerror(error);
    case Check::faceUnopenable: return "the font engine cannot open the face: " + FreeTypeError(error);
    case Check::notSfnt: return "the face is not a TrueType (sfnt) font";
    case Check::noHead: return "the font has no head table";
    case Check::zeroEm: return "the font's unitsPerEm is 0";
    case Check::noGlyphs: return "the font has no glyphs";
    case Check::faceIndexPastEnd: return "the collection has no face of that index";
    case Check::directoryPastEnd: return "the table directory runs past the end of the file";
    case Check::tablePastEnd: return name + " runs past the end of the file";
    case Check::noTable: return "the font has no " + TagText(table) + " table (no TrueType outlines)";
    case Check::rebuiltTooLarge: return "the rebuilt font would not fit in 4 GB";
    case Check::glyphPastEnd: return "a requested glyph index is not below the font's number of glyphs";
    case Check::glyphsOverlap: return "the font's glyph records overlap, so a subset would outgrow the font";
    case Check::subsetFailed: return "the font's tables could not be subset";
    case Check::subsetIncomplete: return "the subset does not hold the glyphs asked for";
    case Check::outOfMemory: return "there was not enough memory";
    case Check::noHandleLeft: return "every font handle has been issued";
    case Check::internalError: return "an internal error occurred";
    }
    return std::string();
}

} // namespace t42
