#include "SfntDirectory.h"

namespace t42 {

namespace {

constexpr std::uint32_t kCollectionTag = 0x74746366; // 'ttcf'
constexpr std::uint64_t kOffsetTableSize = 12;
constexpr std::uint64_t kEntrySize = 16;

// Where the face's offset table starts: 0 for a single font, the face's
// entry in the header of a collection.
Status OffsetTableStart(const ByteReader& file, long faceIndex, std::uint64_t& start) {
    std::uint32_t tag = 0;
    if (!file.U32(0, tag))
        return Status::Refuse(kBadFont, Check::directoryPastEnd);
    start = 0;
    if (tag != kCollectionTag)
        return Status{};
    std::uint32_t numFonts = 0;
    std::uint64_t index = static_cast<std::uint64_t>(faceIndex) & 0xFFFF;
    if (!file.U32(8, numFonts))
        return Status::Refuse(kBadFont, Check::directoryPastEnd);
    if (index >= numFonts)
        return Status::Refuse(kBadFont, Check::faceIndexPastEnd);
    std::uint32_t offset = 0;
    if (!file.U32(12 + 4 * index, offset))
        return Status::Refuse(kBadFont, Check::directoryPastEnd);
    start = offset;
    return Status{};
}

} // namespace

Status ReadFontTables(const std::uint8_t* data, std::size_t size, long faceIndex, FontTables& tables) {
    tables = FontTables{};
    ByteReader file(data, size);
    std::uint64_t start = 0;
    Status status = OffsetTableStart(file, faceIndex, start);
    if (!status.Ok())
        return status;
    std::uint16_t numTables = 0;
    if (!file.U16(start + 4, numTables) || !file.Has(start + kOffsetTableSize, kEntrySize * numTables))
        return Status::Refuse(kBadFont, Check::directoryPastEnd);

    for (std::uint64_t i = 0; i < numTables; ++i) {
        std::uint64_t at = start + kOffsetTableSize + kEntrySize * i;
        TableDirEntry entry{};
        file.U32(at, entry.tag);
        file.U32(at + 4, entry.checksum);
        file.U32(at + 8, entry.offset);
        file.U32(at + 12, entry.length);
        for (int t = 0; t < kTableCount; ++t) {
            if (entry.tag != kTableTags[t] || tables.present[t])
                continue;
            if (!file.Has(entry.offset, entry.length))
                return Status::Refuse(kBadFont, Check::tablePastEnd, entry.tag);
            tables.entries[t] = entry;
            tables.present[t] = true;
        }
    }
    return Status{};
}

std::uint32_t CalcChecksum(const std::uint8_t* data, std::size_t length) {
    std::uint32_t sum = 0;
    std::size_t whole = length & ~static_cast<std::size_t>(3);
    for (std::size_t i = 0; i < whole; i += 4)
        sum += static_cast<std::uint32_t>(data[i]) << 24 | static_cast<std::uint32_t>(data[i + 1]) << 16 |
               static_cast<std::uint32_t>(data[i + 2]) << 8 | data[i + 3];
    if (whole < length) {
        std::uint32_t last = 0;
        for (std::size_t i = whole; i < length; ++i)
            last |= static_cast<std::uint32_t>(data[i]) << (24 - 8 * (i - whole));
        sum += last;
    }
    return sum;
}

} // namespace t42
