// Subsets: the glyphs a subset carries, their names and texts, and the
// tables HarfBuzz's subsetter makes for them. Glyph records come from a
// hostile file: every loca entry, glyph and component record is read
// through ByteReader within the bytes actually there.
#include "Subset.h"

#include <hb-subset.h>

#include <algorithm>
#include <climits>
#include <map>
#include <memory>

namespace t42 {

namespace {

// Component record flags.
constexpr std::uint16_t kArgsAreWords = 0x0001;
constexpr std::uint16_t kHaveScale = 0x0008;
constexpr std::uint16_t kMoreComponents = 0x0020;
constexpr std::uint16_t kHaveXYScale = 0x0040;
constexpr std::uint16_t kHaveTwoByTwo = 0x0080;

constexpr std::uint64_t kGlyphHeaderSize = 10; // numberOfContours and the box
constexpr std::uint32_t kLastCodePoint = 0x10FFFF;

// Fields of the subset's head table.
constexpr std::uint64_t kHeadCheckSumAdjustment = 8;
constexpr std::uint64_t kHeadIndexToLocFormat = 50;

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

// Calls visit(glyph index) for each component record of a composite glyph,
// as far as the records are whole.
template <typename Visit> void ForEachComponent(const std::uint8_t* bytes, std::uint64_t length, Visit visit) {
    ByteReader glyph(bytes, static_cast<std::size_t>(length));
    std::uint16_t contours = 0;
    if (!glyph.U16(0, contours) || (contours & 0x8000) == 0)
        return;
    for (std::uint64_t at = kGlyphHeaderSize;;) {
        std::uint16_t flags = 0, component = 0;
        if (!glyph.U16(at, flags) || !glyph.U16(at + 2, component))
            return;
        visit(component);
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
        ForEachComponent(records.Glyf() + start, length, [&](std::uint16_t component) {
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

namespace {

struct HbBlobFree {
    void operator()(hb_blob_t* blob) const { hb_blob_destroy(blob); }
};
struct HbFaceFree {
    void operator()(hb_face_t* face) const { hb_face_destroy(face); }
};
struct HbInputFree {
    void operator()(hb_subset_input_t* input) const { hb_subset_input_destroy(input); }
};
using HbBlob = std::unique_ptr<hb_blob_t, HbBlobFree>;
using HbFace = std::unique_ptr<hb_face_t, HbFaceFree>;
using HbInput = std::unique_ptr<hb_subset_input_t, HbInputFree>;

// The font's face, over the file's bytes, which the font holds while the
// face is used.
HbFace FaceOf(const LoadedFont& font) {
    const FontFile& file = font.File();
    HbBlob blob(hb_blob_create(reinterpret_cast<const char*>(file.Data()), static_cast<unsigned>(file.Size()),
                               HB_MEMORY_MODE_READONLY, nullptr, nullptr));
    return HbFace(hb_face_create(blob.get(), static_cast<unsigned>(font.FaceIndex())));
}

// The request: exactly the selection's glyphs, numbered in ascending
// original order, glyph 0's outline and every glyph's instructions kept,
// and no table but the nine the program carries.
HbInput SubsetInputFor(const GlyphSelection& selection) {
    HbInput input(hb_subset_input_create_or_fail());
    if (!input)
        return input;
    hb_set_t* glyphs = hb_subset_input_glyph_set(input.get());
    for (const GlyphPair& pair : selection.Pairs())
        hb_set_add(glyphs, pair.original);
    hb_set_t* dropped = hb_subset_input_set(input.get(), HB_SUBSET_SETS_DROP_TABLE_TAG);
    hb_set_clear(dropped);
    hb_set_invert(dropped);
    for (std::uint32_t tag : kTableTags)
        hb_set_del(dropped, tag);
    hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_NOTDEF_OUTLINE);
    return input;
}

std::vector<std::uint8_t> TableOf(hb_face_t* face, std::uint32_t tag) {
    HbBlob blob(hb_face_reference_table(face, tag));
    unsigned length = 0;
    const char* data = hb_blob_get_data(blob.get(), &length);
    if (!data || length == 0)
        return {};
    return std::vector<std::uint8_t>(data, data + length);
}

// With long loca offsets the subsetter leaves glyph records at odd offsets
// where their lengths are odd. A program's sfnts strings may end only at
// glyph boundaries of even offset, so every record is padded to an even
// length, as short offsets require anyway, and loca follows.
void PadGlyphsToEvenOffsets(std::vector<std::uint8_t>& glyf, std::vector<std::uint8_t>& loca, std::size_t glyphs) {
    ByteReader offsets(loca.data(), loca.size());
    std::vector<std::uint8_t> padded, newLoca;
    padded.reserve(glyf.size() + glyphs);
    newLoca.reserve(loca.size());
    std::uint32_t start = 0;
    if (!offsets.U32(0, start))
        return;
    for (std::uint64_t g = 0; g < glyphs; ++g) {
        std::uint32_t end = 0;
        if (!offsets.U32(4 * (g + 1), end))
            return;
        AppendU32(newLoca, static_cast<std::uint32_t>(padded.size()));
        std::uint64_t from = std::min<std::uint64_t>(start, glyf.size()), to = std::min<std::uint64_t>(end, glyf.size());
        if (from < to)
            padded.insert(padded.end(), glyf.begin() + static_cast<std::ptrdiff_t>(from),
                          glyf.begin() + static_cast<std::ptrdiff_t>(to));
        if (padded.size() % 2 != 0)
            padded.push_back(0);
        start = end;
    }
    AppendU32(newLoca, static_cast<std::uint32_t>(padded.size()));
    glyf.swap(padded);
    loca.swap(newLoca);
}

} // namespace

// The subset's head keeps its indexToLocFormat and gets a zero
// checkSumAdjustment for its checksum: the writers set the adjustment.
Status MakeSubsetTables(const LoadedFont& font, const GlyphSelection& selection, ProgramTables& tables) {
    if (font.File().Size() > UINT_MAX)
        return Status::Refuse(kBadFont, Check::subsetFailed);
    HbFace source = FaceOf(font);
    HbInput input = SubsetInputFor(selection);
    if (!input)
        return Status::Refuse(kBadRequest, Check::outOfMemory);
    HbFace subset(hb_subset_or_fail(source.get(), input.get()));
    if (!subset)
        return Status::Refuse(kBadFont, Check::subsetFailed);
    if (hb_face_get_glyph_count(subset.get()) != selection.Size())
        return Status::Refuse(kBadFont, Check::subsetIncomplete);

    std::vector<std::uint8_t> bytes[kTableCount];
    for (int t = 0; t < kTableCount; ++t)
        bytes[t] = TableOf(subset.get(), kTableTags[t]);
    ByteWriter(bytes[kHead].data(), bytes[kHead].size()).U32(kHeadCheckSumAdjustment, 0);
    std::uint16_t locaFormat = 0;
    ByteReader(bytes[kHead].data(), bytes[kHead].size()).U16(kHeadIndexToLocFormat, locaFormat);
    if (locaFormat != 0)
        PadGlyphsToEvenOffsets(bytes[kGlyf], bytes[kLoca], selection.Size());
    for (int t = 0; t < kTableCount; ++t)
        tables.Replace(t, std::move(bytes[t]));
    tables.SetGlyphs(selection.Size(), locaFormat != 0);
    return Status{};
}

} // namespace t42
