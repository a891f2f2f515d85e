// The converter: one per converted font. It owns a FreeType instance, the
// open face, the facts gathered from it and the generated font program.
#pragma once

#include "FontFacts.h"
#include "GlyphNames.h"
#include "OutputBuffer.h"

#include "../include/quelin.h"
#include "../platform/Platform.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>

namespace t42 {

class SfntsWriter;

class TTPost42 {
public:
    TTPost42();
    virtual ~TTPost42();
    TTPost42(const TTPost42&) = delete;
    TTPost42& operator=(const TTPost42&) = delete;

    // Runs the whole conversion: 0, or the result code of the failed step.
    int Convert(const LOGFONTA* request);

    // Closes the face, clears the facts and empties the program.
    void Reset();

    // A new global memory block holding a copy of the program; null when
    // it cannot be allocated.
    platform::GlobalHandle GetFontData() const;

    // Copies the PostScript font name; -1004 when it had to be cut.
    int GetPSFontName(char* name, int nameSize) const;

    // PostScript code that draws `text` into `out`; -1004 when it does not
    // fit, what fitted having been written.
    int TextOut(const char* text, char* out, int outSize);

    // The output primitives: `length` bytes of `text`, or up to its zero
    // when `length` is -1; and text for the inside of a string literal.
    void Append(const char* text, int length);
    void AppendPSString(const char* text);

    const FontFacts& Facts() const { return facts; }
    const OutputBuffer& Output() const { return output; }
    std::uint32_t CodePage() const { return codePage; }
    bool EngineStarted() const { return library != nullptr; }

    // The steps of the conversion, in the order Convert runs them.
    bool FindFontFile(const char* faceName, std::string& path, int& faceIndex);
    static bool MatchFaceName(const char* faceName, const char* displayName, int& faceIndex);
    bool LoadFontFacts(const char* path, int faceIndex);
    bool SelectCharmap();
    int WriteHeader();
    int WriteFontDictionary();
    void WriteFontInfoString(const char* key, const char* text);
    int WriteEncoding();
    int WriteCharStrings();
    int WriteSfnts();

private:
    // About how long the program of the open face will be, so that the
    // output is allocated once.
    std::size_t EstimatedProgramSize() const;

    // The glyph item of one byte of 128 or more: its glyph name, through
    // the code page and the selected character map, and " glyphshow ".
    std::string GlyphItem(unsigned char byte);

    // Builds the items of all 128 bytes once the conversion is done: the
    // face, its map and the code page no longer change.
    void PrepareGlyphItems();

    // Writes the glyph item of one byte at `out`; -1004 when it does not fit.
    int AppendGlyphShow(unsigned char byte, char*& out, int& budget);
    friend class SfntsWriter;

    static constexpr int kHighBytes = 128;

    OutputBuffer output;
    FontFacts facts;
    FT_Library library;
    std::uint32_t codePage;
    GlyphNamer names;
    std::string glyphItems[kHighBytes]; // by byte - 128
};

// Result codes of the conversion and the exports.
enum ResultCode : int {
    kOk = 0,
    kNoSuchFont = -1000,
    kBadFont = -1001,
    kBadHandle = -1001,
    kBadRequest = -1002,
    kEngineFailed = -1003,
    kBufferTooSmall = -1004,
};

} // namespace t42
