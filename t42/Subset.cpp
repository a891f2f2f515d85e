// Subsets: the glyphs a subset carries, their names and texts, and the
// glyf, loca, hmtx, hhea, maxp and head tables rebuilt for them. Glyph
// records come from a hostile file: every loca entry, glyph and component
// record is read through ByteReader within the bytes actually there.
#include "Subset.h"

#include <algorithm>
#include <map>

namespace t42 {

namespace {

// Component record flags.
constexpr std::uint16_t kArgsAreWords = 0x0001;
constexpr std::uint16_t kHaveScale = 0x0008;
constexpr std::uint16_t kMoreComponents = 0x0020;
constexpr std::uint16_t kHaveXYScale = 0x0040;
constexpr std::uint16_t kHaveTwoByTwo = 0x0080;

constexpr std::uint64_t kGlyphHeaderSize = 10; // numberOfContours and the box
constexpr std::uint16_t kNoGlyph = 0xFFFF;     // past the last glyph of any font
constexpr std::uint64_t kMaxShortLocaOffset = 2 * 0xFFFFull;
constexpr std::uint32_t kLastCodePoint = 0x10FFFF;

// Field offsets in the tables a subset changes.
constexpr std::uint64_t kHeadCheckSumAdjustment = 8;
constexpr std::uint64_t kHeadIndexToLocFormat = 50;
constexpr std::uint64_t kHheaNumberOfHMetrics = 34;
constexpr std::uint64_t kMaxpNumGlyphs = 4;

// A rebuilt table's fields, written where the table is long enough.
ByteWriter FieldsOf(std::vector<std::uint8_t>& table) { return ByteWriter(table.data(), table.size()); }

// Glyph `glyph`'s advance width and left side bearing in an hmtx of
// `longMetrics` full entries, the glyphs after them sharing the last
// advance; zero where the table ends early or has no full entry.
void ReadHorizontalMetric(const ByteReader& hmtx, std::uint16_t longMetrics, std::uint64_t glyph,
                          std::uint16_t& advance, std::uint16_t& bearing) {
    advance = bearing = 0;
    if (longMetrics == 0)
        return;
    std::uint64_t last = longMetrics - 1u;
    hmtx.U16(4 * std::min(glyph, last), advance);
    hmtx.U16(glyph <= last ? 4 * glyph + 2 : 4 * (last + 1) + 2 * (glyph - last - 1), bearing);
}

std::vector<std::uint8_t> CopyOfTable(const LoadedFont& font, int table) {
    const std::uint8_t* bytes = font.TableBytes(table);
    if (!bytes)
        return {};
    return std::vector<std::uint8_t>(bytes, bytes + font.Facts().tables.entries[table].length);
}

// Where each glyph's record lies in glyf, as loca gives it.
class GlyphRecords {
public:
    explicit GlyphRecords(const LoadedFont& font)
        : glyf_(font.TableBytes(kGlyf)), glyfLength_(font.Facts().tables.entries[kGlyf].length),
          loca_(font.TableBytes(kLoca), font.Facts().tables.entries[kLoca].length),
          longFormat_(font.Facts().indexToLocFormat != 0) {}

    // Glyph `index` runs from its loca entry to the next, cut at the end of
    // glyf; it is empty when an entry is missing or the next comes first.
    void Range(std::uint32_t index, std::uint64_t& start, std::uint64_t& length) const {
        std::uint64_t first = 0, next = 0;
        start = length = 0;
        if (!Offset(index, first) || !Offset(static_cast<std::uint64_t>(index) + 1, next))
            return;
        next = std::min<std::uint64_t>(next, glyfLength_);
        if (first < next) {
            start = first;
            length = next - first;
        }
    }

    const std::uint8_t* Glyf() const { return glyf_; }
    std::uint64_t GlyfLength() const { return glyfLength_; }

private:
    bool Offset(std::uint64_t entry, std::uint64_t& offset) const {
        if (longFormat_) {
            std::uint32_t value = 0;
            bool read = loca_.U32(4 * entry, value);
            offset = value;
            return read;
        }
        std::uint16_t value = 0;
        bool read = loca_.U16(2 * entry, value);
        offset = 2ull * value;
        return read;
    }

    const std::uint8_t* glyf_;
    std::uint64_t glyfLength_;
    ByteReader loca_;
    bool longFormat_;
};

// Calls visit(offset of the glyph index field, glyph index) for each
// component record of a composite glyph, as far as the records are whole.
template <typename Visit> void ForEachComponent(const std::uint8_t* bytes, std::uint64_t length, Visit visit) {
    ByteReader glyph(bytes, static_cast<std::size_t>(length));
    std::uint16_t contours = 0;
    if (!glyph.U16(0, contours) || (contours & 0x8000) == 0)
        return;
    for (std::uint64_t at = kGlyphHeaderSize;;) {
        std::uint16_t flags = 0, component = 0;
        if (!glyph.U16(at, flags) || !glyph.U16(at + 2, component))
            return;
        visit(at + 2, component);
        at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
        if (flags & kHaveScale)
            at += 2;
        else if (flags & kHaveXYScale)
            at += 4;
        else if (flags & kHaveTwoByTwo)
            at += 8;
        if (!(flags & kMoreComponents))
            return;
    }
}

std::uint64_t PaddedToEven(std::uint64_t length) { return length + (length & 1); }

// Glyph 0 keeps its name; any other called ".notdef", and every glyph whose
// name another glyph of the subset has, is called "g<original index>".
// Those names may meet a name of the font in turn, whose glyphs are renamed
// the same way; each glyph is renamed at most once.
std::vector<std::string> SubsetNames(const LoadedFont& font, const std::vector<std::uint32_t>& originals) {
    std::vector<std::string> names(originals.size());
    std::map<std::string, std::vector<std::size_t>> holders; // a font's name -> the glyphs it names
    std::vector<std::size_t> pending;
    char buffer[GlyphNamer::kBufferSize];
    for (std::size_t w = 0; w < originals.size(); ++w) {
        names[w] = font.GlyphName(originals[w], buffer);
        holders[names[w]].push_back(w);
        if (originals[w] != 0 && IsNotdef(names[w].c_str()))
            pending.push_back(w);
    }
    for (const auto& holder : holders)
        if (holder.second.size() > 1)
            pending.insert(pending.end(), holder.second.begin(), holder.second.end());
    std::vector<bool> renamed(originals.size());
    while (!pending.empty()) {
        std::size_t w = pending.back();
        pending.pop_back();
        if (renamed[w])
            continue;
        renamed[w] = true;
        names[w] = "g" + std::to_string(originals[w]);
        auto met = holders.find(names[w]);
        if (met != holders.end())
            pending.insert(pending.end(), met->second.begin(), met->second.end());
    }
    return names;
}

} // namespace

Status SelectSubset(const LoadedFont& font, const std::vector<DrawnGlyph>& drawn, GlyphSelection& selection) {
    const auto numGlyphs = static_cast<std::uint32_t>(font.Facts().numGlyphs);
    std::vector<bool> chosen(numGlyphs);
    std::vector<std::uint32_t> work{0};
    chosen[0] = true;
    for (const DrawnGlyph& glyph : drawn) {
        if (glyph.glyph >= numGlyphs)
            return Status::Refuse(kBadRequest, Check::glyphPastEnd);
        if (!chosen[glyph.glyph]) {
            chosen[glyph.glyph] = true;
            work.push_back(glyph.glyph);
        }
    }

    // Add components until none is new. The glyphs' bytes add up to at
    // most glyf's length (and a byte of padding each) unless records
    // overlap; stopping there bounds the time and the subset's size.
    GlyphRecords records(font);
    std::uint64_t total = 0, count = work.size();
    while (!work.empty()) {
        std::uint32_t glyph = work.back();
        work.pop_back();
        std::uint64_t start = 0, length = 0;
        records.Range(glyph, start, length);
        total += PaddedToEven(length);
        if (total > records.GlyfLength() + count)
            return Status::Refuse(kBadFont, Check::glyphsOverlap);
        ForEachComponent(records.Glyf() + start, length, [&](std::uint64_t, std::uint16_t component) {
            if (component < numGlyphs && !chosen[component]) {
                chosen[component] = true;
                work.push_back(component);
                ++count;
            }
        });
    }
    std::vector<std::uint32_t> originals;
    originals.reserve(count);
    for (std::uint32_t glyph = 0; glyph < numGlyphs; ++glyph)
        if (chosen[glyph])
            originals.push_back(glyph);

    auto writtenOf = [&](std::uint32_t original) {
        return static_cast<std::size_t>(std::lower_bound(originals.begin(), originals.end(), original) -
                                        originals.begin());
    };
    std::vector<std::u32string> texts(originals.size());
    std::vector<bool> fromMap(originals.size());
    for (const DrawnGlyph& glyph : drawn) {
        std::size_t w = writtenOf(glyph.glyph);
        if (texts[w].empty())
            texts[w] = glyph.text;
        fromMap[w] = texts[w].empty();
    }
    FT_Face face = font.Face();
    if (std::find(fromMap.begin(), fromMap.end(), true) != fromMap.end() && face->charmap &&
        face->charmap->encoding == FT_ENCODING_UNICODE) {
        // Codes come in ascending order, so the first that reaches a glyph
        // is its lowest.
        FT_UInt glyph = 0;
        for (FT_ULong code = FT_Get_First_Char(face, &glyph); glyph != 0 && code <= kLastCodePoint;
             code = FT_Get_Next_Char(face, code, &glyph)) {
            if (glyph >= numGlyphs || !chosen[glyph])
                continue;
            std::size_t w = writtenOf(glyph);
            if (fromMap[w] && texts[w].empty())
                texts[w] = std::u32string(1, static_cast<char32_t>(code));
        }
    }
    selection = GlyphSelection::Subset(originals, SubsetNames(font, originals), std::move(texts));
    return Status{};
}

ProgramTables::ProgramTables(const LoadedFont& font, const GlyphSelection& selection)
    : tables_(font.Facts().tables), longLoca_(font.Facts().indexToLocFormat != 0),
      numGlyphs_(static_cast<std::uint64_t>(font.Facts().numGlyphs)) {
    for (int t = 0; t < kTableCount; ++t)
        bytes_[t] = font.TableBytes(t);
    if (selection.IsSubset())
        Rebuild(font, selection);
}

std::uint16_t ProgramTables::AdvanceWidth(std::uint64_t written) const {
    std::uint16_t longMetrics = 0, advance = 0, bearing = 0;
    if (!tables_.present[kHhea] || !tables_.present[kHmtx] ||
        !ByteReader(bytes_[kHhea], tables_.entries[kHhea].length).U16(kHheaNumberOfHMetrics, longMetrics))
        return 0;
    ReadHorizontalMetric(ByteReader(bytes_[kHmtx], tables_.entries[kHmtx].length), longMetrics, written, advance,
                         bearing);
    return advance;
}

void ProgramTables::Keep(int table, std::vector<std::uint8_t> bytes) {
    rebuilt_[table] = std::move(bytes);
    const std::vector<std::uint8_t>& kept = rebuilt_[table];
    tables_.present[table] = true;
    tables_.entries[table] = TableDirEntry{kTableTags[table], CalcChecksum(kept.data(), kept.size()), 0,
                                           static_cast<std::uint32_t>(kept.size())};
    bytes_[table] = kept.data();
}

// glyf: each glyph's record, its component indices renumbered (one the
// font lacks becomes 0xFFFF, which no glyph has), padded to an even length.
// loca: short when every offset fits. hmtx: each glyph's advance and left
// side bearing, the last advance not repeated. The other three: the font's
// own with numGlyphs, numberOfHMetrics, indexToLocFormat, and a zero
// checkSumAdjustment for the checksum; the writer sets the adjustment.
void ProgramTables::Rebuild(const LoadedFont& font, const GlyphSelection& selection) {
    GlyphRecords records(font);
    std::vector<std::uint8_t> glyf;
    std::vector<std::uint64_t> offsets;
    offsets.reserve(selection.Size() + 1);
    for (const GlyphPair& pair : selection.Pairs()) {
        offsets.push_back(glyf.size());
        std::uint64_t start = 0, length = 0;
        records.Range(pair.original, start, length);
        std::size_t at = glyf.size();
        glyf.insert(glyf.end(), records.Glyf() + start, records.Glyf() + start + length);
        ForEachComponent(glyf.data() + at, length, [&](std::uint64_t field, std::uint16_t component) {
            std::size_t written = selection.WrittenIndex(component);
            FieldsOf(glyf).U16(at + field, written < selection.Size() ? static_cast<std::uint16_t>(written) : kNoGlyph);
        });
        if (glyf.size() % 2 != 0)
            glyf.push_back(0);
    }
    offsets.push_back(glyf.size());
    longLoca_ = glyf.size() > kMaxShortLocaOffset;
    numGlyphs_ = selection.Size();

    std::vector<std::uint8_t> loca;
    for (std::uint64_t offset : offsets) {
        if (longLoca_)
            AppendU32(loca, static_cast<std::uint32_t>(offset));
        else
            AppendU16(loca, static_cast<std::uint16_t>(offset / 2));
    }
    Keep(kGlyf, std::move(glyf));
    Keep(kLoca, std::move(loca));

    if (tables_.present[kHhea] && tables_.present[kHmtx]) {
        ByteReader hmtx(font.TableBytes(kHmtx), font.Facts().tables.entries[kHmtx].length);
        std::vector<std::uint8_t> hhea = CopyOfTable(font, kHhea);
        std::uint16_t longMetrics = 0;
        ByteReader(hhea.data(), hhea.size()).U16(kHheaNumberOfHMetrics, longMetrics);
        std::vector<std::uint16_t> advances, bearings;
        for (const GlyphPair& pair : selection.Pairs()) {
            std::uint16_t advance = 0, bearing = 0;
            ReadHorizontalMetric(hmtx, longMetrics, pair.original, advance, bearing);
            advances.push_back(advance);
            bearings.push_back(bearing);
        }
        std::size_t count = advances.size();
        while (count > 1 && advances[count - 1] == advances[count - 2])
            --count;
        std::vector<std::uint8_t> metrics;
        for (std::size_t w = 0; w < advances.size(); ++w) {
            if (w < count)
                AppendU16(metrics, advances[w]);
            AppendU16(metrics, bearings[w]);
        }
        FieldsOf(hhea).U16(kHheaNumberOfHMetrics, static_cast<std::uint16_t>(count));
        Keep(kHmtx, std::move(metrics));
        Keep(kHhea, std::move(hhea));
    }
    if (tables_.present[kMaxp]) {
        std::vector<std::uint8_t> maxp = CopyOfTable(font, kMaxp);
        FieldsOf(maxp).U16(kMaxpNumGlyphs, static_cast<std::uint16_t>(selection.Size()));
        Keep(kMaxp, std::move(maxp));
    }
    if (tables_.present[kHead]) {
        std::vector<std::uint8_t> head = CopyOfTable(font, kHead);
        FieldsOf(head).U32(kHeadCheckSumAdjustment, 0);
        FieldsOf(head).U16(kHeadIndexToLocFormat, longLoca_ ? 1 : 0);
        Keep(kHead, std::move(head));
    }
}

} // namespace t42
