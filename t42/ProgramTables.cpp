#include "ProgramTables.h"

#include <algorithm>

namespace t42 {

namespace {

constexpr std::uint64_t kHheaNumberOfHMetrics = 34;

// Glyph `glyph`'s advance width in an hmtx of `longMetrics` full entries,
// the glyphs after them sharing the last advance; zero where the table ends
// early or has no full entry.
std::uint16_t ReadAdvance(const ByteReader& hmtx, std::uint16_t longMetrics, std::uint64_t glyph) {
    std::uint16_t advance = 0;
    if (longMetrics != 0)
        hmtx.U16(4 * std::min<std::uint64_t>(glyph, longMetrics - 1u), advance);
    return advance;
}

} // namespace

ProgramTables::ProgramTables(const LoadedFont& font)
    : tables_(font.Facts().tables), longLoca_(font.Facts().indexToLocFormat != 0),
      numGlyphs_(static_cast<std::uint64_t>(font.Facts().numGlyphs)) {
    for (int t = 0; t < kTableCount; ++t)
        bytes_[t] = font.TableBytes(t);
}

std::vector<std::uint16_t> ProgramTables::AdvanceWidths() const {
    std::vector<std::uint16_t> advances(static_cast<std::size_t>(numGlyphs_), 0);
    std::uint16_t longMetrics = 0;
    if (!tables_.present[kHhea] || !tables_.present[kHmtx] ||
        !ByteReader(bytes_[kHhea], tables_.entries[kHhea].length).U16(kHheaNumberOfHMetrics, longMetrics))
        return advances;
    ByteReader hmtx(bytes_[kHmtx], tables_.entries[kHmtx].length);
    for (std::size_t glyph = 0; glyph < advances.size(); ++glyph)
        advances[glyph] = ReadAdvance(hmtx, longMetrics, glyph);
    return advances;
}

void ProgramTables::Replace(int table, std::vector<std::uint8_t> bytes) {
    replaced_[table] = std::move(bytes);
    const std::vector<std::uint8_t>& kept = replaced_[table];
    tables_.present[table] = !kept.empty();
    tables_.entries[table] = TableDirEntry{kTableTags[table], CalcChecksum(kept.data(), kept.size()), 0,
                                           static_cast<std::uint32_t>(kept.size())};
    bytes_[table] = kept.empty() ? nullptr : kept.data();
}

void ProgramTables::SetGlyphs(std::uint64_t numGlyphs, bool longLoca) {
    numGlyphs_ = numGlyphs;
    longLoca_ = longLoca;
}

} // namespace t42
