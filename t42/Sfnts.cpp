// The nine-table TrueType file rebuilt from the font's own tables (for a
// subset, from the subset's tables), as bytes and as the
// sfnts array's hex strings. Each string holds an even number of bytes, at
// most 65534, and ends with one extra zero byte that interpreters drop;
// strings break at table starts and, inside a long glyf, at glyph
// boundaries.
#include "FontProgram.h"
#include "HexLines.h"
#include "SfntLayout.h"
#include "ProgramTables.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace t42 {

namespace {

constexpr std::uint64_t kMaxStringData = 65534;
constexpr std::uint32_t kCheckSumAdjustmentOffset = 8;

// The file's tables in order, as visit(bytes, length) for each table it
// carries; head is a copy with the file's checksum adjustment set.
template <typename Visit> void ForEachTable(const ProgramTables& tables, const SfntLayout& layout, Visit visit) {
    for (int t = 0; t < kTableCount; ++t) {
        const TableDirEntry& entry = layout.Entry(t);
        const std::uint8_t* bytes = tables.Bytes(t);
        if (!bytes || entry.length == 0)
            continue;
        if (t == kHead) {
            std::vector<std::uint8_t> head(bytes, bytes + entry.length);
            ByteWriter(head.data(), head.size()).U32(kCheckSumAdjustmentOffset, layout.ChecksumAdjustment());
            visit(head.data(), entry.length);
            continue;
        }
        visit(bytes, entry.length);
    }
}

class SfntsWriter {
public:
    SfntsWriter(const ProgramTables& tables, OutputBuffer& out)
        : tables_(tables), layout_(tables.Tables()), hex_(out) {}

    void Write(OutputBuffer& out);

private:
    std::vector<std::uint64_t> GlyfBreakPoints() const;
    void PlanStrings(std::vector<std::uint64_t> breakPoints);
    void Emit(const std::uint8_t* bytes, std::uint64_t count, bool zeros);

    const ProgramTables& tables_;
    const SfntLayout layout_;
    HexLines hex_;
    std::vector<std::uint64_t> stringEnds_; // where each string's data ends
    std::size_t nextEnd_ = 0;
    std::uint64_t position_ = SfntLayout::kHeaderSize; // in the rebuilt file
};

// Where glyf may be cut when it needs more than one string: the glyph
// boundaries at even offsets, in rebuilt-file offsets. Only the loca entries
// that are there count; an offset past glyf counts as its end, and entries
// out of order are break points like any other.
std::vector<std::uint64_t> SfntsWriter::GlyfBreakPoints() const {
    std::vector<std::uint64_t> points;
    const TableDirEntry& glyf = layout_.Entry(kGlyf);
    if (glyf.length <= kMaxStringData)
        return points;
    ByteReader loca(tables_.Bytes(kLoca), tables_.Tables().entries[kLoca].length);
    bool longFormat = tables_.LongLoca();
    std::uint64_t entrySize = longFormat ? 4 : 2;
    std::uint64_t count = std::min<std::uint64_t>(tables_.NumGlyphs() + 1, loca.Size() / entrySize);
    points.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t offset = 0;
        if (longFormat) {
            std::uint32_t value = 0;
            loca.U32(4 * i, value);
            offset = value;
        } else {
            std::uint16_t value = 0;
            loca.U16(2 * i, value);
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
    // The glyph boundaries are mostly in order already: sorting them only
    // when they are not, then merging in the tables' few, saves most of
    // the sort for a font of many glyphs.
    if (!std::is_sorted(breakPoints.begin(), breakPoints.end()))
        std::sort(breakPoints.begin(), breakPoints.end());
    std::vector<std::uint64_t> tableStarts;
    for (int t = 0; t < kTableCount; ++t)
        if (layout_.Entry(t).length != 0)
            tableStarts.push_back(layout_.Entry(t).offset);
    tableStarts.push_back(layout_.Size());
    std::sort(tableStarts.begin(), tableStarts.end());
    std::vector<std::uint64_t> merged;
    merged.reserve(breakPoints.size() + tableStarts.size());
    std::merge(breakPoints.begin(), breakPoints.end(), tableStarts.begin(), tableStarts.end(),
               std::back_inserter(merged));
    breakPoints.swap(merged);
    std::uint64_t start = 0;
    while (start < layout_.Size()) {
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

void SfntsWriter::Write(OutputBuffer& out) {
    out.Append("/sfnts[<\n");
    std::array<std::uint8_t, SfntLayout::kHeaderSize> header = layout_.HeaderBytes();
    hex_.WriteLine(header.data(), SfntLayout::kOffsetTableSize);
    for (std::uint64_t at = SfntLayout::kOffsetTableSize; at < header.size(); at += 16)
        hex_.WriteLine(header.data() + at, 16);

    PlanStrings(GlyfBreakPoints());
    ForEachTable(tables_, layout_, [&](const std::uint8_t* bytes, std::uint32_t length) {
        Emit(bytes, length, false);
        Emit(nullptr, SfntLayout::Padded(length) - length, true);
    });
    hex_.Finish();
}

} // namespace

void WriteSfnts(const ProgramTables& tables, OutputBuffer& out) { SfntsWriter(tables, out).Write(out); }

std::vector<std::uint8_t> RebuiltFile(const ProgramTables& tables) {
    SfntLayout layout(tables.Tables());
    std::array<std::uint8_t, SfntLayout::kHeaderSize> header = layout.HeaderBytes();
    std::vector<std::uint8_t> file;
    file.reserve(static_cast<std::size_t>(layout.Size()));
    file.assign(header.begin(), header.end());
    ForEachTable(tables, layout, [&](const std::uint8_t* bytes, std::uint32_t length) {
        file.insert(file.end(), bytes, bytes + length);
        file.resize(file.size() + static_cast<std::size_t>(SfntLayout::Padded(length) - length));
    });
    return file;
}

std::size_t EstimatedProgramSize(const ProgramTables& tables) {
    constexpr std::uint64_t kHeaderAndDictionary = 4096;
    constexpr std::uint64_t kPerGlyphName = 32;
    std::uint64_t rebuilt = SfntLayout(tables.Tables()).Size();
    std::uint64_t hex = 2 * rebuilt + rebuilt / HexLines::kBytesPerLine + 8 * (rebuilt / kMaxStringData + 2);
    return static_cast<std::size_t>(kHeaderAndDictionary + kPerGlyphName * tables.NumGlyphs() + hex);
}

} // namespace t42
