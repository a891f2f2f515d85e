// The converter of one font: the loaded font, its font program and the
// glyph items its text output draws with. The handle table holds one per
// converted font; after Convert only caches change and the face is read,
// under the loaded font's lock, so any number of threads may call its const
// members at once.
#pragma once

#include "FontLookup.h"
#include "GlyphItems.h"
#include "LoadedFont.h"
#include "OutputBuffer.h"
#include "Status.h"
#ifndef _WIN32
#include "Subset.h"
#include "SubsetPlan.h"
#endif

#include "../include/quelin.h"
#include "../platform/Platform.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace t42 {

// A new global memory block holding a copy of `program`; null when it
// cannot be allocated.
platform::GlobalHandle CopyToGlobalBlock(const OutputBuffer& program);

class TTPost42 {
public:
    TTPost42() = default;
    TTPost42(const TTPost42&) = delete;
    TTPost42& operator=(const TTPost42&) = delete;

    // Finds the requested face, loads it and writes its whole program.
    Status Convert(const LOGFONTA* request);

    // Finds the requested face and loads it, without writing its program:
    // for a caller that writes it out once with WriteProgram.
    Status Load(const LOGFONTA* request);

    // Loads the face at `location` for text in `codePage` and writes its
    // whole program: a conversion for a face found some other way.
    Status ConvertFace(const FontLocation& location, std::uint32_t codePage);

    // Loads the face at `location` for text in `codePage` without writing
    // its whole program: for a job that embeds subsets only.
    Status LoadFace(const FontLocation& location, std::uint32_t codePage);

    // Writes the whole program of the loaded face to `out` (a streaming
    // buffer hands it on as it is written; the program is not kept).
    // Nothing without a loaded face.
    void WriteProgram(OutputBuffer& out) const;

    // Releases the font, the program and the glyph items.
    void Reset();

    // A new global memory block holding a copy of the program; null when
    // it cannot be allocated.
    platform::GlobalHandle GetFontData() const;

    // Copies the PostScript font name; -1004 when it had to be cut.
    int GetPSFontName(char* name, int nameSize) const;

    // PostScript code that draws `text` into `out`; -1004 when it does not
    // fit, what fitted having been written.
    int TextOut(const char* text, char* out, int outSize) const;

    // The same for UTF-8 text; -1005, with `out` untouched, when the text
    // is not UTF-8.
    int TextOutUtf8(const char* text, char* out, int outSize) const;

#ifndef _WIN32
    // Subsets, made by HarfBuzz, which the Windows build lacks.
    // The subset of the font that draws `glyphs` (glyph 0 and the
    // components of composite glyphs added), planned under the font's face
    // lock. A glyph index past the font's glyphs refuses the whole request
    // (kBadRequest).
    Status PlanSubset(const std::vector<DrawnGlyph>& glyphs, SubsetPlan& plan) const;
#endif

    // What was converted, for the command line and tests; valid after a
    // successful Convert.
    const LoadedFont& Font() const { return *font_; }
    const OutputBuffer& Program() const { return program_; }

private:
    // The file and face of a request, and the code page of its text.
    static Status Locate(const LOGFONTA* request, FontLocation& location, std::uint32_t& codePage);

    std::unique_ptr<LoadedFont> font_;
    OutputBuffer program_;
    GlyphItems items_;
};

} // namespace t42
