// The writers of a Type 42 font program. Each writes its part of the
// program for the glyphs of `selection` of a loaded font, appending to
// `out`; run in this order they make the whole program.
#pragma once

#include "GlyphSelection.h"
#include "LoadedFont.h"
#include "OutputBuffer.h"

namespace t42 {

// Header comments: the TrueType and font versions, creator and date.
void WriteHeader(const LoadedFont& font, const GlyphSelection& selection, OutputBuffer& out);

// The %%VMusage comment and the dictionary's fixed entries through FontInfo.
void WriteFontDictionary(const LoadedFont& font, const GlyphSelection& selection, OutputBuffer& out);

// The Encoding entry.
void WriteEncoding(const LoadedFont& font, const GlyphSelection& selection, OutputBuffer& out);

// The CharStrings dictionary: each glyph's name and written index.
void WriteCharStrings(const LoadedFont& font, const GlyphSelection& selection, OutputBuffer& out);

// The sfnts array: the rebuilt TrueType file as hex strings.
void WriteSfnts(const LoadedFont& font, const GlyphSelection& selection, OutputBuffer& out);

// All of the above and the line that defines the font, into an output
// sized in advance.
void WriteFontProgram(const LoadedFont& font, const GlyphSelection& selection, OutputBuffer& out);

// About how long the program will be.
std::size_t EstimatedProgramSize(const LoadedFont& font, const GlyphSelection& selection);

} // namespace t42
