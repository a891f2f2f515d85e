// The font file's own table directory, read through a bounded big-endian
// reader: font files are hostile input, so every offset and length is
// checked against the bytes actually there before it is used.
#pragma once

#include "Status.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace t42 {

// Big-endian numbers from a byte range; every read is checked in 64-bit
// arithmetic and fails rather than reading past the end.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t Size() const { return size_; }
    bool Has(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    bool U16(std::uint64_t offset, std::uint16_t& value) const {
        if (!Has(offset, 2))
            return false;
        value = static_cast<std::uint16_t>(data_[offset] << 8 | data_[offset + 1]);
        return true;
    }
    bool U32(std::uint64_t offset, std::uint32_t& value) const {
        if (!Has(offset, 4))
            return false;
        value = static_cast<std::uint32_t>(data_[offset]) << 24 |
                static_cast<std::uint32_t>(data_[offset + 1]) << 16 |
                static_cast<std::uint32_t>(data_[offset + 2]) << 8 | data_[offset + 3];
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// Big-endian numbers into a byte range, checked as ByteReader's reads are:
// a number that would pass the end is not written, and the write fails.
class ByteWriter {
public:
    ByteWriter(std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool U16(std::uint64_t offset, std::uint16_t value) {
        if (offset > size_ || 2 > size_ - offset)
            return false;
        data_[offset] = static_cast<std::uint8_t>(value >> 8);
        data_[offset + 1] = static_cast<std::uint8_t>(value);
        return true;
    }
    bool U32(std::uint64_t offset, std::uint32_t value) {
        return offset <= size_ && 4 <= size_ - offset && U16(offset, static_cast<std::uint16_t>(value >> 16)) &&
               U16(offset + 2, static_cast<std::uint16_t>(value));
    }

private:
    std::uint8_t* data_;
    std::size_t size_;
};

// Appends a big-endian number to `bytes`.
inline void AppendU16(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value));
}
inline void AppendU32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    AppendU16(bytes, static_cast<std::uint16_t>(value >> 16));
    AppendU16(bytes, static_cast<std::uint16_t>(value));
}

struct TableDirEntry {
    std::uint32_t tag;
    std::uint32_t checksum;
    std::uint32_t offset;
    std::uint32_t length;
};

// The tables a Type 42 font carries, in ascending tag order.
constexpr int kTableCount = 9;
constexpr std::uint32_t kTableTags[kTableCount] = {
    0x63767420, // cvt
    0x6670676D, // fpgm
    0x676C7966, // glyf
    0x68656164, // head
    0x68686561, // hhea
    0x686D7478, // hmtx
    0x6C6F6361, // loca
    0x6D617870, // maxp
    0x70726570, // prep
};
enum TableIndex { kCvt, kFpgm, kGlyf, kHead, kHhea, kHmtx, kLoca, kMaxp, kPrep };

// The nine tables as the face's directory lists them (the first entry of a
// tag counts); offsets count from the start of the file, also for a face
// of a collection. Every table present lies within the file.
struct FontTables {
    TableDirEntry entries[kTableCount];
    bool present[kTableCount];
};

// Reads the directory of face `faceIndex` of the font file `file`. Refused
// when the directory cannot be read whole or one of the nine tables reaches
// past the end of the file.
Status ReadFontTables(const std::uint8_t* file, std::size_t size, long faceIndex, FontTables& tables);

// The sfnt checksum: the sum of the big-endian 32-bit words covering
// `length` rounded up to a multiple of 4 (the missing bytes zero).
std::uint32_t CalcChecksum(const std::uint8_t* data, std::size_t length);

} // namespace t42
