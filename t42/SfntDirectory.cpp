#include "SfntDirectory.h"

#include FT_TRUETYPE_TABLES_H

namespace t42 {

namespace {

constexpr std::uint32_t kCollectionTag = 0x74746366; // 'ttcf'
constexpr std::uint64_t kRebuiltHeaderSize = 12 + 16 * kTableCount;

std::uint64_t FontFileSize(FT_Face face) {
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(face, 0, 0, nullptr, &length) != 0)
        return 0;
    return length;
}

// Where the face's offset table starts: 0 for a single font, the face's
// entry in the header of a collection.
bool OffsetTableStart(FT_Face face, std::uint64_t fileSize, std::uint64_t& start) {
    std::vector<std::uint8_t> header;
    if (!ReadFontBytes(face, 0, fileSize < 12 ? fileSize : 12, header))
        return false;
    ByteReader reader(header.data(), header.size());
    std::uint32_t tag = 0;
    if (!reader.U32(0, tag))
        return false;
    start = 0;
    if (tag != kCollectionTag)
        return true;
    std::uint32_t numFonts = 0;
    std::uint64_t faceIndex = static_cast<std::uint64_t>(face->face_index) & 0xFFFF;
    if (!reader.U32(8, numFonts) || faceIndex >= numFonts)
        return false;
    std::vector<std::uint8_t> entry;
    if (!ReadFontBytes(face, 12 + 4 * faceIndex, 4, entry))
        return false;
    std::uint32_t offset = 0;
    ByteReader(entry.data(), entry.size()).U32(0, offset);
    start = offset;
    return true;
}

} // namespace

bool ReadFontBytes(FT_Face face, std::uint64_t offset, std::uint64_t length,
                   std::vector<std::uint8_t>& bytes) {
    if (offset > 0xFFFFFFFFu || length > 0xFFFFFFFFu)
        return false;
    bytes.resize(static_cast<std::size_t>(length));
    if (length == 0)
        return true;
    FT_ULong read = static_cast<FT_ULong>(length);
    return FT_Load_Sfnt_Table(face, 0, static_cast<FT_Long>(offset), bytes.data(), &read) == 0 &&
           read == length;
}

bool ViewFontBytes(FT_Face face, std::uint64_t offset, std::uint64_t length,
                   std::vector<std::uint8_t>& storage, const std::uint8_t*& bytes) {
    const FT_Stream stream = face->stream;
    if (stream && stream->base && offset <= stream->size && length <= stream->size - offset) {
        bytes = stream->base + offset;
        return true;
    }
    if (!ReadFontBytes(face, offset, length, storage))
        return false;
    bytes = storage.data();
    return true;
}

bool ReadFontTables(FT_Face face, FontTables& tables) {
    tables = FontTables{};
    tables.fileSize = FontFileSize(face);
    std::uint64_t start = 0;
    if (tables.fileSize == 0 || !OffsetTableStart(face, tables.fileSize, start))
        return false;

    std::vector<std::uint8_t> offsetTable;
    if (start + 12 > tables.fileSize || !ReadFontBytes(face, start, 12, offsetTable))
        return false;
    std::uint16_t numTables = 0;
    ByteReader(offsetTable.data(), offsetTable.size()).U16(4, numTables);
    std::uint64_t directoryLength = 16ull * numTables;
    std::vector<std::uint8_t> directory;
    if (start + 12 + directoryLength > tables.fileSize ||
        !ReadFontBytes(face, start + 12, directoryLength, directory))
        return false;

    ByteReader reader(directory.data(), directory.size());
    for (std::uint64_t i = 0; i < numTables; ++i) {
        TableDirEntry entry{};
        reader.U32(16 * i, entry.tag);
        reader.U32(16 * i + 4, entry.checksum);
        reader.U32(16 * i + 8, entry.offset);
        reader.U32(16 * i + 12, entry.length);
        for (int t = 0; t < kTableCount; ++t) {
            if (entry.tag == kTableTags[t] && !tables.present[t]) {
                tables.entries[t] = entry;
                tables.present[t] = true;
            }
        }
    }

    // Every table must be in the file, and the rebuilt file must stay
    // within 32-bit offsets.
    tables.rebuiltSize = kRebuiltHeaderSize;
    for (int t = 0; t < kTableCount; ++t) {
        if (!tables.present[t])
            continue;
        const TableDirEntry& entry = tables.entries[t];
        if (static_cast<std::uint64_t>(entry.offset) + entry.length > tables.fileSize)
            return false;
        tables.rebuiltSize += (static_cast<std::uint64_t>(entry.length) + 3) & ~3ull;
    }
    return tables.rebuiltSize <= 0xFFFFFFFFull;
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
