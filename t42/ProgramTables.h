// The nine tables of the TrueType file a program's sfnts carry: the font's
// own bytes and directory entries for the whole font, the tables of the
// subset's file for a subset.
#pragma once

#include "LoadedFont.h"
#include "SfntDirectory.h"

#include <cstdint>
#include <vector>

namespace t42 {

class ProgramTables {
public:
    // The font's own tables.
    explicit ProgramTables(const LoadedFont& font);

    const FontTables& Tables() const { return tables_; }
    const std::uint8_t* Bytes(int table) const { return bytes_[table]; }
    bool LongLoca() const { return longLoca_; }
    std::uint64_t NumGlyphs() const { return numGlyphs_; }

    // The advance width hmtx gives each of the NumGlyphs() glyphs, in font
    // units; 0 where the file lacks hhea or hmtx or the glyph's entry.
    std::vector<std::uint16_t> AdvanceWidths() const;

    // Carries `bytes` as table `table`, with their checksum; empty bytes
    // carry no such table.
    void Replace(int table, std::vector<std::uint8_t> bytes);
    // The glyph count and loca format of the replaced tables.
    void SetGlyphs(std::uint64_t numGlyphs, bool longLoca);

private:
    FontTables tables_;
    const std::uint8_t* bytes_[kTableCount] = {};
    std::vector<std::uint8_t> replaced_[kTableCount];
    bool longLoca_ = false;
    std::uint64_t numGlyphs_ = 0;
};

} // namespace t42
