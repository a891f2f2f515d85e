// The TrueType file that the sfnts array carries, rebuilt from the nine
// tables: its offset table, its directory and where each table's data
// stands. Everything about the file's shape is computed here, once.
#pragma once

#include "SfntDirectory.h"

#include <array>
#include <cstdint>

namespace t42 {

class SfntLayout {
public:
    static constexpr std::uint64_t kOffsetTableSize = 12;
    static constexpr std::uint64_t kHeaderSize = kOffsetTableSize + 16 * kTableCount;
    static_assert(kHeaderSize == 156, "nine directory entries after the offset table");

    // The tables in list order, each at the next 4-byte boundary. A table
    // the font lacks keeps its entry (its tag, checksum 0, length 0 and the
    // offset where it would stand), so the directory stays sorted by tag
    // for interpreters that search it.
    explicit SfntLayout(const FontTables& tables);

    const TableDirEntry& Entry(int table) const { return entries_[table]; }
    std::uint64_t Size() const { return size_; }

    // The offset table and the directory, as they open the file.
    std::array<std::uint8_t, kHeaderSize> HeaderBytes() const;

    // The head table's checkSumAdjustment for the rebuilt file: the tables'
    // own checksums (as their directory entries give them) and the header's.
    std::uint32_t ChecksumAdjustment() const;

    // A table's length with its zero padding to a 4-byte boundary.
    static std::uint64_t Padded(std::uint64_t length) { return (length + 3) & ~3ull; }

private:
    TableDirEntry entries_[kTableCount];
    std::uint64_t size_;
};

} // namespace t42
