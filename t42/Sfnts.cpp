// The sfnts array: a nine-table TrueType file rebuilt from the font's own
// tables, as hex strings. Each string holds an even number of bytes, at most
// 65534, and ends with one extra zero byte that interpreters drop; strings
// break at table starts and, inside a long glyf, at glyph boundaries.
#include "HexLines.h"
#include "TTPost42.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace t42 {

namespace {

constexpr std::uint64_t kOffsetTableSize = 12;
constexpr std::uint64_t kHeaderSize = kOffsetTableSize + 16 * kTableCount; // 156
constexpr std::uint64_t kMaxStringData = 65534;
constexpr std::uint32_t kOffsetTableChecksum = 0x000D0090;
constexpr std::uint32_t kChecksumMagic = 0xB1B0AFBA;
constexpr std::uint32_t kCheckSumAdjustmentOffset = 8;

std::uint64_t Padded(std::uint64_t length) { return (length + 3) & ~3ull; }

void PutU32(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

std::uint32_t EntryChecksum(const TableDirEntry& entry) {
    std::uint8_t bytes[16];
    PutU32(bytes, entry.tag);
    PutU32(bytes + 4, entry.checksum);
    PutU32(bytes + 8, entry.offset);
    PutU32(bytes + 12, entry.length);
    return CalcChecksum(bytes, sizeof bytes);
}

} // namespace

class SfntsWriter {
public:
    explicit SfntsWriter(TTPost42& converter)
        : converter_(converter), facts_(converter.facts), hex_(converter.output) {}

    int Write();

private:
    void LayOutDirectory();
    std::uint32_t ChecksumAdjustment() const;
    void WriteTableDirEntry(const TableDirEntry& entry);
    std::vector<std::uint64_t> GlyfBreakPoints(const ByteReader& loca) const;
    void PlanStrings(std::vector<std::uint64_t> breakPoints);
    void WriteTableHex(const std::uint8_t* bytes, std::uint32_t length);
    void Emit(const std::uint8_t* bytes, std::uint64_t count, bool zeros);

    TTPost42& converter_;
    const FontFacts& facts_;
    HexLines hex_;
    TableDirEntry entries_[kTableCount] = {};
    std::vector<std::uint64_t> stringEnds_;   // where each string's data ends
    std::size_t nextEnd_ = 0;
    std::uint64_t position_ = kHeaderSize;    // in the rebuilt file
};

// Every table keeps its directory entry: a table the font lacks gets its
// tag, checksum 0, length 0 and the offset where it would stand, so the
// directory stays sorted by tag for interpreters that search it.
void SfntsWriter::LayOutDirectory() {
    std::uint64_t running = 0;
    for (int t = 0; t < kTableCount; ++t) {
        TableDirEntry entry{kTableTags[t], 0, 0, 0};
        if (facts_.tables.present[t])
            entry = facts_.tables.entries[t];
        entry.offset = static_cast<std::uint32_t>(kHeaderSize + running);
        entries_[t] = entry;
        running += Padded(entry.length);
    }
}

std::uint32_t SfntsWriter::ChecksumAdjustment() const {
    std::uint32_t total = kOffsetTableChecksum;
    for (const TableDirEntry& entry : entries_)
        total += EntryChecksum(entry) + entry.checksum;
    return kChecksumMagic - total;
}

void SfntsWriter::WriteTableDirEntry(const TableDirEntry& entry) {
    char line[40];
    std::snprintf(line, sizeof line, "%08X%08X%08X%08X\n", entry.tag, entry.checksum, entry.offset,
                  entry.length);
    converter_.Append(line, 33);
}

// Glyph boundaries at even offsets inside glyf, in rebuilt-file offsets.
// Only the loca entries that are there count; an offset past glyf counts as
// its end, and entries out of order are break points like any other.
std::vector<std::uint64_t> SfntsWriter::GlyfBreakPoints(const ByteReader& reader) const {
    std::vector<std::uint64_t> points;
    const TableDirEntry& glyf = entries_[kGlyf];
    bool longFormat = facts_.indexToLocFormat != 0;
    std::uint64_t entrySize = longFormat ? 4 : 2;
    std::uint64_t count = std::min<std::uint64_t>(static_cast<std::uint64_t>(facts_.numGlyphs) + 1,
                                                  reader.Size() / entrySize);
    points.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t offset = 0;
        if (longFormat) {
            std::uint32_t value = 0;
            reader.U32(4 * i, value);
            offset = value;
        } else {
            std::uint16_t value = 0;
            reader.U16(2 * i, value);
            offset = 2ull * value;
        }
        offset = std::min<std::uint64_t>(offset, glyf.length);
        if (offset % 2 == 0)
            points.push_back(glyf.offset + offset);
    }
    return points;
}

// Each string, from where the previous one ended, ends at the last break
// point within 65534 bytes, or after exactly 65534 bytes when none is.
void SfntsWriter::PlanStrings(std::vector<std::uint64_t> breakPoints) {
    for (int t = 0; t < kTableCount; ++t)
        if (entries_[t].length != 0)
            breakPoints.push_back(entries_[t].offset);
    breakPoints.push_back(facts_.tables.rebuiltSize);
    std::sort(breakPoints.begin(), breakPoints.end());
    std::uint64_t start = 0;
    while (start < facts_.tables.rebuiltSize) {
        std::uint64_t reach = start + kMaxStringData;
        auto after = std::upper_bound(breakPoints.begin(), breakPoints.end(), reach);
        std::uint64_t end = reach;
        if (after != breakPoints.begin() && *(after - 1) > start)
            end = *(after - 1);
        stringEnds_.push_back(end);
        start = end;
    }
}

void SfntsWriter::Emit(const std::uint8_t* bytes, std::uint64_t count, bool zeros) {
    while (count > 0) {
        std::uint64_t room = stringEnds_[nextEnd_] - position_;
        if (room == 0) {
            hex_.BreakString();
            ++nextEnd_;
            continue;
        }
        std::size_t take = static_cast<std::size_t>(std::min(count, room));
        if (zeros) {
            hex_.WriteZeros(take);
        } else {
            hex_.Write(bytes, take);
            bytes += take;
        }
        position_ += take;
        count -= take;
    }
}

// One table and its padding, breaking strings where the plan says.
void SfntsWriter::WriteTableHex(const std::uint8_t* bytes, std::uint32_t length) {
    Emit(bytes, length, false);
    Emit(nullptr, Padded(length) - length, true);
}

int SfntsWriter::Write() {
    LayOutDirectory();
    converter_.Append("/sfnts[<\n000100000009008000030010\n", -1);
    for (const TableDirEntry& entry : entries_)
        WriteTableDirEntry(entry);

    FT_Face face = facts_.face;
    std::vector<std::uint8_t> locaStorage;
    const std::uint8_t* loca = nullptr;
    std::vector<std::uint64_t> glyphBreaks;
    if (entries_[kGlyf].length > kMaxStringData && facts_.tables.present[kLoca]) {
        const TableDirEntry& entry = facts_.tables.entries[kLoca];
        if (!ViewFontBytes(face, entry.offset, entry.length, locaStorage, loca))
            return kBadFont;
        glyphBreaks = GlyfBreakPoints(ByteReader(loca, entry.length));
    }
    PlanStrings(std::move(glyphBreaks));

    std::uint32_t adjustment = ChecksumAdjustment();
    std::vector<std::uint8_t> storage;
    for (int t = 0; t < kTableCount; ++t) {
        if (!facts_.tables.present[t] || entries_[t].length == 0)
            continue;
        const TableDirEntry& source = facts_.tables.entries[t];
        const std::uint8_t* bytes = nullptr;
        if (t == kLoca && loca)
            bytes = loca; // already looked at for cutting glyf
        else if (!ViewFontBytes(face, source.offset, source.length, storage, bytes))
            return kBadFont;
        if (t == kHead && source.length >= kCheckSumAdjustmentOffset + 4) {
            // The one table that changes: a copy with the new adjustment.
            std::vector<std::uint8_t> head(bytes, bytes + source.length);
            PutU32(head.data() + kCheckSumAdjustmentOffset, adjustment);
            WriteTableHex(head.data(), source.length);
            continue;
        }
        WriteTableHex(bytes, source.length);
    }
    hex_.Finish();
    return 0;
}

std::size_t TTPost42::EstimatedProgramSize() const {
    constexpr std::uint64_t kHeaderAndDictionary = 4096;
    constexpr std::uint64_t kPerGlyphName = 32;
    std::uint64_t rebuilt = facts.tables.rebuiltSize;
    std::uint64_t hex = 2 * rebuilt + rebuilt / HexLines::kBytesPerLine + 8 * (rebuilt / kMaxStringData + 2);
    return static_cast<std::size_t>(kHeaderAndDictionary + kPerGlyphName * static_cast<std::uint64_t>(facts.numGlyphs) + hex);
}

int TTPost42::WriteSfnts() {
    SfntsWriter writer(*this);
    return writer.Write();
}

} // namespace t42
