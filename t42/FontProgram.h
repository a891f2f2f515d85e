// The writers of a Type 42 font program. Each writes its part of the
// program for the glyphs of `selection` of a loaded font, appending to
// `out`; run in this order they make the whole program. Those that need the
// TrueType file the program carries read its tables, built once for the
// selection.
#pragma once

#include "GlyphSelection.h"
#include "LoadedFont.h"
#include "OutputBuffer.h"
#include "ProgramTables.h"

#include <cstdint>
#include <vector>

namespace t42 {

// Header comments: the TrueType and font versions, creator and date.
void WriteHeader(const LoadedFont& font, const GlyphSelection& selection, OutputBuffer& out);

// The %%VMusage comment and the dictionary's fixed entries through FontInfo.
void WriteFontDictionary(const LoadedFont& font, const GlyphSelection& selection, const ProgramTables& tables,
                         OutputBuffer& out);

// The Encoding entry.
void WriteEncoding(const LoadedFont& font, const GlyphSelection& selection, OutputBuffer& out);

// The CharStrings dictionary: each glyph's name and written index.
void WriteCharStrings(const LoadedFont& font, const GlyphSelection& selection, OutputBuffer& out);

// The sfnts array: the rebuilt TrueType file as hex strings.
void WriteSfnts(const ProgramTables& tables, OutputBuffer& out);

// The same file as bytes: the offset table and directory, each table
// padded with zeros to 4 bytes, head with the file's checksum adjustment.
std::vector<std::uint8_t> RebuiltFile(const ProgramTables& tables);

// All of the above and the line that defines the font, into an output
// sized in advance; `tables` are those built for `selection`.
void WriteFontProgram(const LoadedFont& font, const GlyphSelection& selection, const ProgramTables& tables,
                      OutputBuffer& out);

// The whole font's program.
void WriteWholeFontProgram(const LoadedFont& font, OutputBuffer& out);

// About how long the program of `tables` will be.
std::size_t EstimatedProgramSize(const ProgramTables& tables);

} // namespace t42
