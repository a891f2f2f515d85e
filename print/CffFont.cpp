#include "CffFont.h"

#include "t42/PsSyntax.h"
#include "t42/SfntDirectory.h"

#include <hb-subset.h>

#include FT_CID_H

#include <algorithm>
#include <cstring>

namespace print {

namespace {

constexpr hb_tag_t kCffTag = HB_TAG('C', 'F', 'F', ' ');

// The tables a subset does without: the printer needs only the outlines,
// and layout tables would pull in glyphs the text does not draw.
constexpr hb_tag_t kDroppedTables[] = {
    HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'), HB_TAG('B', 'A', 'S', 'E'),
    HB_TAG('J', 'S', 'T', 'F'), HB_TAG('M', 'A', 'T', 'H'), HB_TAG('C', 'O', 'L', 'R'), HB_TAG('C', 'P', 'A', 'L'),
    HB_TAG('S', 'V', 'G', ' '), HB_TAG('s', 'b', 'i', 'x'), HB_TAG('C', 'B', 'D', 'T'), HB_TAG('C', 'B', 'L', 'C'),
    HB_TAG('E', 'B', 'D', 'T'), HB_TAG('E', 'B', 'L', 'C'), HB_TAG('v', 'h', 'e', 'a'), HB_TAG('v', 'm', 't', 'x'),
    HB_TAG('V', 'O', 'R', 'G'), HB_TAG('k', 'e', 'r', 'n'), HB_TAG('n', 'a', 'm', 'e'), HB_TAG('D', 'S', 'I', 'G'),
    HB_TAG('h', 'd', 'm', 'x'), HB_TAG('L', 'T', 'S', 'H'), HB_TAG('V', 'D', 'M', 'X'), HB_TAG('m', 'e', 't', 'a')};

// The first name of the CFF data's Name INDEX: the name its font is
// defined under. Empty when the data has none.
std::string CffFontName(const std::uint8_t* cff, std::size_t size) {
    t42::ByteReader reader(cff, size);
    std::uint8_t headerSize = 0, offsetSize = 0;
    std::uint16_t count = 0;
    if (!reader.U8(2, headerSize) || !reader.U16(headerSize, count) || count == 0 ||
        !reader.U8(std::uint64_t(headerSize) + 2, offsetSize) || offsetSize < 1 || offsetSize > 4)
        return std::string();
    auto offsetAt = [&](std::uint64_t at, std::uint64_t& value) {
        value = 0;
        for (std::uint8_t i = 0; i < offsetSize; ++i) {
            std::uint8_t byte = 0;
            if (!reader.U8(at + i, byte))
                return false;
            value = value << 8 | byte;
        }
        return true;
    };
    std::uint64_t offsets = std::uint64_t(headerSize) + 3, first = 0, second = 0;
    if (!offsetAt(offsets, first) || !offsetAt(offsets + offsetSize, second) || first < 1 || second < first)
        return std::string();
    std::uint64_t data = offsets + std::uint64_t(count + 1) * offsetSize - 1;
    if (!reader.Has(data + first, second - first) || second - first > 127)
        return std::string();
    return std::string(reinterpret_cast<const char*>(cff + data + first), second - first);
}

// The CIDs (CID-keyed) or names (name-keyed) of the subset's glyphs, read
// by FreeType from the subset itself.
bool ReadCharset(FT_Library library, hb_face_t* subsetFace, CffSubset& subset, std::string& error) {
    hb_blob_t* blob = hb_face_reference_blob(subsetFace);
    unsigned length = 0;
    const char* bytes = hb_blob_get_data(blob, &length);
    FT_Face face = nullptr;
    bool read = FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(bytes), length, 0, &face) == 0;
    if (read && static_cast<std::size_t>(face->num_glyphs) != subset.originals.size())
        read = false;
    FT_Bool cidKeyed = 0;
    if (read && FT_Get_CID_Is_Internally_CID_Keyed(face, &cidKeyed) == 0 && cidKeyed) {
        subset.cidKeyed = true;
        const char* registry = nullptr;
        const char* ordering = nullptr;
        FT_Int supplement = 0;
        if (FT_Get_CID_Registry_Ordering_Supplement(face, &registry, &ordering, &supplement) == 0) {
            subset.registry = registry;
            subset.ordering = ordering;
            subset.supplement = supplement;
        }
    }
    for (std::size_t glyph = 0; read && glyph < subset.originals.size(); ++glyph) {
        FT_UInt cid = static_cast<FT_UInt>(glyph);
        if (subset.cidKeyed) {
            read = FT_Get_CID_From_Glyph_Index(face, cid, &cid) == 0;
        } else {
            char name[128] = {};
            read = FT_HAS_GLYPH_NAMES(face) && FT_Get_Glyph_Name(face, cid, name, sizeof name) == 0 && name[0];
            subset.names.push_back(name);
        }
        subset.cids.push_back(cid);
    }
    if (face)
        FT_Done_Face(face);
    hb_blob_destroy(blob);
    if (!read)
        error = subset.cidKeyed ? "the subset's CIDs cannot be read" : "the subset's glyph names cannot be read";
    return read;
}

} // namespace

std::size_t CffSubset::Written(std::uint32_t original) const {
    auto found = std::lower_bound(originals.begin(), originals.end(), original);
    return found != originals.end() && *found == original ? static_cast<std::size_t>(found - originals.begin()) : 0;
}

bool HasTable(hb_face_t* face, hb_tag_t tag) {
    hb_blob_t* table = hb_face_reference_table(face, tag);
    bool has = hb_blob_get_length(table) > 0;
    hb_blob_destroy(table);
    return has;
}

bool CffFont::HasCffOutlines(hb_face_t* face) { return HasTable(face, kCffTag); }

std::unique_ptr<CffFont> CffFont::Open(const t42::FontLocation& location, std::string& error) {
    std::unique_ptr<CffFont> font(new CffFont);
    t42::Status status = t42::FontFile::Open(location.path, font->file_);
    if (!status.Ok()) {
        error = status.Reason();
        return nullptr;
    }
    const t42::FontFile& file = *font->file_;
    font->blob_ = hb_blob_create(reinterpret_cast<const char*>(file.Data()), static_cast<unsigned>(file.Size()),
                                 HB_MEMORY_MODE_READONLY, nullptr, nullptr);
    font->hbFace_ = hb_face_create(font->blob_, static_cast<unsigned>(location.faceIndex));
    if (!HasCffOutlines(font->hbFace_) || hb_face_get_glyph_count(font->hbFace_) == 0) {
        error = "the face has no CFF outlines";
        return nullptr;
    }
    if (FT_Init_FreeType(&font->library_) != 0) {
        font->library_ = nullptr;
        error = "FreeType cannot start";
        return nullptr;
    }
    if (FT_New_Memory_Face(font->library_, file.Data(), static_cast<FT_Long>(file.Size()), location.faceIndex,
                           &font->face_) != 0 ||
        !FT_IS_SFNT(font->face_) || font->face_->num_glyphs <= 0 || font->face_->units_per_EM == 0) {
        font->face_ = nullptr;
        error = "FreeType cannot open the face";
        return nullptr;
    }
    // The name the CFF data defines its font under, which its subsets keep.
    hb_blob_t* table = hb_face_reference_table(font->hbFace_, kCffTag);
    unsigned length = 0;
    const char* data = hb_blob_get_data(table, &length);
    font->name_ = CffFontName(reinterpret_cast<const std::uint8_t*>(data), length);
    hb_blob_destroy(table);
    if (font->name_.empty()) {
        error = "its CFF data names no font";
        return nullptr;
    }
    return font;
}

CffFont::~CffFont() {
    hb_face_destroy(hbFace_);
    hb_blob_destroy(blob_);
    if (face_)
        FT_Done_Face(face_);
    if (library_)
        FT_Done_FreeType(library_);
}

bool CffFont::Subset(const std::vector<std::uint32_t>& glyphs, CffSubset& subset, std::string& error) const {
    subset = CffSubset();
    hb_subset_input_t* input = hb_subset_input_create_or_fail();
    if (!input) {
        error = "out of memory";
        return false;
    }
    unsigned count = hb_face_get_glyph_count(hbFace_);
    hb_set_t* wanted = hb_subset_input_glyph_set(input);
    hb_set_add(wanted, 0);
    for (std::uint32_t glyph : glyphs)
        if (glyph < count)
            hb_set_add(wanted, glyph);
    hb_set_t* dropped = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (hb_tag_t tag : kDroppedTables)
        hb_set_add(dropped, tag);
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_NOTDEF_OUTLINE);
    hb_subset_plan_t* plan = hb_subset_plan_create_or_fail(hbFace_, input);
    hb_subset_input_destroy(input);
    hb_face_t* made = plan ? hb_subset_plan_execute_or_fail(plan) : nullptr;
    bool ok = made != nullptr;
    if (ok) {
        const hb_map_t* toOld = hb_subset_plan_new_to_old_glyph_mapping(plan);
        unsigned total = hb_face_get_glyph_count(made);
        for (unsigned glyph = 0; ok && glyph < total; ++glyph) {
            hb_codepoint_t original = hb_map_get(toOld, glyph);
            ok = original != HB_MAP_VALUE_INVALID && (glyph == 0 || original > subset.originals.back());
            subset.originals.push_back(original);
        }
        hb_blob_t* table = hb_face_reference_table(made, kCffTag);
        unsigned length = 0;
        const char* data = hb_blob_get_data(table, &length);
        subset.cff.assign(data, data + length);
        hb_blob_destroy(table);
        subset.fontName = CffFontName(subset.cff.data(), subset.cff.size());
        ok = ok && !subset.originals.empty() && subset.originals[0] == 0 && !subset.fontName.empty();
        if (!ok)
            error = "HarfBuzz's subset of it is not well formed";
        else
            ok = ReadCharset(library_, made, subset, error);
    } else {
        error = "HarfBuzz cannot subset it";
    }
    hb_face_destroy(made);
    hb_subset_plan_destroy(plan);
    return ok;
}

namespace {

// Appends `bytes` as ASCII85 in lines of 72 characters, with its end mark.
void AppendAscii85(const std::uint8_t* bytes, std::size_t size, t42::OutputBuffer& out) {
    std::string line;
    line.reserve(80);
    auto put = [&](char c) {
        line += c;
        if (line.size() == 72) {
            line += '\n';
            out.Append(line);
            line.clear();
        }
    };
    for (std::size_t at = 0; at < size; at += 4) {
        std::size_t n = std::min<std::size_t>(4, size - at);
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 4; ++i)
            group = group << 8 | (i < n ? bytes[at + i] : 0);
        if (group == 0 && n == 4) {
            put('z');
            continue;
        }
        char digits[5];
        for (int i = 4; i >= 0; --i, group /= 85)
            digits[i] = static_cast<char>('!' + group % 85);
        for (std::size_t i = 0; i <= n; ++i)
            put(digits[i]);
    }
    out.Append(line);
    out.Append("~>\n");
}

} // namespace

std::string NameToken(const std::string& name) {
    static const char kDelimiters[] = "()<>[]{}/%";
    bool plain = !name.empty();
    for (char c : name)
        plain = plain && c > ' ' && c < 0x7F && !std::strchr(kDelimiters, c);
    if (plain)
        return "/" + name;
    std::string token(1 + 2 * name.size(), '<');
    char* digits = &token[1];
    for (unsigned char c : name)
        digits = t42::WriteHexDigits(digits, c, 2);
    return token + "> cvn";
}

void WriteCffResource(const CffSubset& subset, t42::OutputBuffer& out) {
    std::string head = "/FontSetInit /ProcSet findresource begin\n" + NameToken(subset.fontName) + " " +
                       std::to_string(subset.cff.size()) + " StartData ";
    std::vector<std::uint8_t> stream(head.begin(), head.end());
    stream.insert(stream.end(), subset.cff.begin(), subset.cff.end());
    out.Append("currentfile /ASCII85Decode filter cvx exec\n");
    AppendAscii85(stream.data(), stream.size(), out);
}

bool WriteCffFontSet(const CffFont& font, t42::OutputBuffer& out, std::string& name, std::string& error) {
    std::vector<std::uint32_t> glyphs(static_cast<std::size_t>(font.Face()->num_glyphs));
    for (std::size_t glyph = 0; glyph < glyphs.size(); ++glyph)
        glyphs[glyph] = static_cast<std::uint32_t>(glyph);
    CffSubset whole;
    if (!font.Subset(glyphs, whole, error))
        return false;
    name = whole.fontName;
    std::string title;
    for (char c : name)
        title += c > ' ' && c < 0x7F && c != '(' && c != ')' && c != '\\' ? c : '_';
    out.Append("%!PS-Adobe-3.0 Resource-FontSet\n%%DocumentNeededResources: ProcSet (FontSetInit)\n%%Title: (FontSet/" +
               title + ")\n%%LanguageLevel: 3\n%%Creator: quelin convert\n%%EndComments\n");
    WriteCffResource(whole, out);
    out.Append("%%EOF\n");
    return true;
}

} // namespace print
