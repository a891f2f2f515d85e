#include "SfntLayout.h"

namespace t42 {

namespace {

constexpr std::uint32_t kTrueTypeVersion = 0x00010000;
constexpr std::uint32_t kChecksumMagic = 0xB1B0AFBA;

// The largest power of two not above `n`, and its exponent.
constexpr std::uint16_t FloorPowerOfTwo(std::uint16_t n) { return n < 2 ? 1 : 2 * FloorPowerOfTwo(n / 2); }
constexpr std::uint16_t FloorLog2(std::uint16_t n) { return n < 2 ? 0 : 1 + FloorLog2(n / 2); }

constexpr std::uint16_t kSearchRange = 16 * FloorPowerOfTwo(kTableCount);
constexpr std::uint16_t kEntrySelector = FloorLog2(kTableCount);
constexpr std::uint16_t kRangeShift = 16 * kTableCount - kSearchRange;
static_assert(kSearchRange == 128 && kEntrySelector == 3 && kRangeShift == 16, "binary-search fields of nine tables");

} // namespace

SfntLayout::SfntLayout(const FontTables& tables) {
    std::uint64_t running = kHeaderSize;
    for (int t = 0; t < kTableCount; ++t) {
        TableDirEntry entry{kTableTags[t], 0, 0, 0};
        if (tables.present[t])
            entry = tables.entries[t];
        entry.offset = static_cast<std::uint32_t>(running);
        entries_[t] = entry;
        running += Padded(entry.length);
    }
    size_ = running;
}

std::array<std::uint8_t, SfntLayout::kHeaderSize> SfntLayout::HeaderBytes() const {
    std::array<std::uint8_t, kHeaderSize> bytes{};
    ByteWriter header(bytes.data(), bytes.size());
    header.U32(0, kTrueTypeVersion);
    header.U16(4, kTableCount);
    header.U16(6, kSearchRange);
    header.U16(8, kEntrySelector);
    header.U16(10, kRangeShift);
    std::uint64_t at = kOffsetTableSize;
    for (const TableDirEntry& entry : entries_) {
        for (std::uint32_t field : {entry.tag, entry.checksum, entry.offset, entry.length}) {
            header.U32(at, field);
            at += 4;
        }
    }
    return bytes;
}

std::uint32_t SfntLayout::ChecksumAdjustment() const {
    std::array<std::uint8_t, kHeaderSize> header = HeaderBytes();
    std::uint32_t total = CalcChecksum(header.data(), header.size());
    for (const TableDirEntry& entry : entries_)
        total += entry.checksum;
    return kChecksumMagic - total;
}

} // namespace t42
