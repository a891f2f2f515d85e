#include "Shaper.h"

#include <hb-ot.h>

#include <algorithm>
#include <iterator>

namespace print {

namespace {

// Whether no substitution or positioning of the font involves the space
// glyph: then a line shapes as the concatenation of its words, each with
// the spaces that follow it.
bool SpaceIsInert(hb_font_t* font, hb_face_t* face) {
    hb_codepoint_t space = 0;
    if (!hb_font_get_nominal_glyph(font, ' ', &space))
        return false;
    for (hb_tag_t tag : {HB_TAG('k', 'e', 'r', 'n'), HB_TAG('k', 'e', 'r', 'x'), HB_TAG('m', 'o', 'r', 'x'),
                         HB_TAG('m', 'o', 'r', 't')})
        if (HasTable(face, tag))
            return false;
    hb_set_t* glyphs = hb_set_create();
    bool inert = true;
    for (hb_tag_t table : {HB_OT_TAG_GSUB, HB_OT_TAG_GPOS}) {
        unsigned count = hb_ot_layout_table_get_lookup_count(face, table);
        for (unsigned lookup = 0; lookup < count && inert; ++lookup) {
            hb_set_clear(glyphs);
            hb_ot_layout_lookup_collect_glyphs(face, table, lookup, glyphs, glyphs, glyphs, glyphs);
            inert = !hb_set_has(glyphs, space);
        }
    }
    hb_set_destroy(glyphs);
    return inert;
}

} // namespace

std::unique_ptr<PrintFont> PrintFont::Open(const t42::FontLocation& location, std::string& error) {
    std::unique_ptr<PrintFont> font(new PrintFont);
    font->location_ = location;
    t42::Status status = t42::FontFile::Open(location.path, font->file_);
    if (!status.Ok()) {
        error = "cannot read \"" + location.path + "\": " + status.Reason();
        return nullptr;
    }
    // HarfBuzz shapes from the bytes read once, which the converter or the
    // CFF face shares for as long as this font lives.
    const t42::FontFile& file = *font->file_;
    font->blob_ = hb_blob_create(reinterpret_cast<const char*>(file.Data()), static_cast<unsigned>(file.Size()),
                                 HB_MEMORY_MODE_READONLY, nullptr, nullptr);
    font->face_ = hb_face_create(font->blob_, static_cast<unsigned>(location.faceIndex));
    if (!font->OpenOutlines(error))
        return nullptr;
    font->font_ = hb_font_create(font->face_);
    font->unitsPerEm_ = hb_face_get_upem(font->face_);
    std::size_t glyphs = std::max<std::size_t>(1, hb_face_get_glyph_count(font->face_));
    font->natural_.assign(glyphs, kUnknown);
    font->byWord_ = SpaceIsInert(font->font_, font->face_);
    hb_position_t position = 0, thickness = 0;
    if (!hb_ot_metrics_get_position(font->font_, HB_OT_METRICS_TAG_UNDERLINE_OFFSET, &position) ||
        !hb_ot_metrics_get_position(font->font_, HB_OT_METRICS_TAG_UNDERLINE_SIZE, &thickness) || thickness <= 0) {
        position = -static_cast<hb_position_t>(font->unitsPerEm_ / 10);
        thickness = static_cast<hb_position_t>(font->unitsPerEm_ / 20);
    }
    font->underlinePosition_ = position;
    font->underlineThickness_ = thickness;
    return font;
}

// A face with a glyf table is converted as TrueType; one with a CFF table
// and none is opened as CFF.
bool PrintFont::OpenOutlines(std::string& error) {
    if (!HasTable(face_, HB_TAG('g', 'l', 'y', 'f')) && CffFont::HasCffOutlines(face_)) {
        std::string reason;
        cff_ = CffFont::Open(location_, reason);
        if (!cff_)
            error = "cannot read \"" + location_.path + "\": " + reason;
        return cff_ != nullptr;
    }
    converter_ = std::make_shared<t42::TTPost42>();
    t42::Status status = converter_->LoadFace(location_, 1252);
    if (!status.Ok())
        error = "cannot convert \"" + location_.path + "\" (" + std::to_string(status.code) + "): " + status.Reason();
    return status.Ok();
}

PrintFont::~PrintFont() {
    hb_font_destroy(font_);
    hb_face_destroy(face_);
    hb_blob_destroy(blob_);
}

std::string PrintFont::PostScriptName() const {
    return cff_ ? cff_->PostScriptName() : converter_->Font().Facts().fontName;
}

FontSet::FontSet(FontChoice& choice, std::unique_ptr<PrintFont> main, FontReadHook onRead)
    : choice_(choice), onRead_(std::move(onRead)), fast_(kFastRange, kUnknownFont) {
    if (onRead_)
        onRead_(main->Location().path);
    byLocation_[{main->Location().path, main->Location().faceIndex}] = 0;
    fonts_.push_back(std::move(main));
}

std::vector<std::string> FontSet::TakeWarnings() {
    std::vector<std::string> warnings;
    warnings.swap(warnings_);
    return warnings;
}

int FontSet::Add(const t42::FontLocation& location) {
    auto known = byLocation_.find({location.path, location.faceIndex});
    if (known != byLocation_.end())
        return known->second;
    std::string error;
    if (onRead_)
        onRead_(location.path);
    std::unique_ptr<PrintFont> font = PrintFont::Open(location, error);
    int id = font ? static_cast<int>(fonts_.size()) : -1;
    if (font)
        fonts_.push_back(std::move(font));
    else
        warnings_.push_back(error + "; another font is used");
    byLocation_[{location.path, location.faceIndex}] = id;
    return id;
}

int FontSet::Find(std::uint32_t codePoint) {
    if (fonts_[0]->HasGlyph(codePoint))
        return 0;
    std::size_t cursor = 0;
    t42::FontLocation location;
    while (choice_.Fallback(codePoint, cursor, location)) {
        int id = Add(location);
        if (id >= 0 && fonts_[static_cast<std::size_t>(id)]->HasGlyph(codePoint))
            return id;
    }
    return -1;
}

StyledFace FontSet::Styled(int id, bool bold, bool italic) {
    auto key = std::make_pair(id, int(bold) + 2 * int(italic));
    auto known = styled_.find(key);
    if (known != styled_.end())
        return known->second;
    StyledFace face{id, bold, italic};
    bool hasBold = bold, hasItalic = italic;
    t42::FontLocation location;
    if (FindStyledFace(Font(id).Location(), hasBold, hasItalic, location)) {
        int variant = Add(location);
        if (variant >= 0)
            face = {variant, bold && !hasBold, italic && !hasItalic};
    }
    return styled_[key] = face;
}

Shaper::Shaper() : buffer_(hb_buffer_create()), language_(hb_language_get_default()) {}

Shaper::~Shaper() { hb_buffer_destroy(buffer_); }

void Shaper::ShapeNow(PrintFont& font, const char32_t* text, std::size_t length, hb_script_t script,
                      bool rightToLeft, std::uint32_t clusterBase, std::vector<ShapedGlyph>& out) {
    hb_buffer_clear_contents(buffer_);
    hb_buffer_set_direction(buffer_, rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer_, script);
    hb_buffer_set_language(buffer_, language_);
    hb_buffer_set_flags(buffer_, HB_BUFFER_FLAG_REMOVE_DEFAULT_IGNORABLES);
    hb_buffer_add_utf32(buffer_, reinterpret_cast<const std::uint32_t*>(text), static_cast<int>(length), 0,
                        static_cast<int>(length));
    hb_shape(font.Hb(), buffer_, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer_, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer_, nullptr);
    for (unsigned i = 0; i < count; ++i)
        out.push_back({infos[i].codepoint, infos[i].cluster + clusterBase, positions[i].x_advance,
                       positions[i].x_offset, positions[i].y_offset});
}

// The cache holds words of at most kLongestWord characters, and is emptied
// when it holds kMostWords words or its glyphs pass kMostCached (a word of
// joiners alone has none).
constexpr std::size_t kLongestWord = 64;
constexpr std::size_t kMostWords = std::size_t(1) << 16;
constexpr std::size_t kMostCached = std::size_t(1) << 20;

namespace {

std::uint64_t WordHash(int fontId, hb_script_t script, bool rightToLeft, const char32_t* text, std::size_t length) {
    std::uint64_t hash = 0xcbf29ce484222325ULL ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(fontId)) << 33) ^
                         (static_cast<std::uint64_t>(script) << 1) ^ (rightToLeft ? 1 : 0);
    for (std::size_t i = 0; i < length; ++i)
        hash = (hash ^ text[i]) * 0x100000001b3ULL;
    return hash ^ (hash >> 29);
}

// Words are short: a loop beats a call to memcmp.
bool SameCharacters(const char32_t* a, const char32_t* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

} // namespace

void Shaper::Grow() {
    std::vector<Entry> old(table_.empty() ? 1024 : table_.size() * 2, Entry{0, 0, 0, 0, 0, 0, HB_SCRIPT_INVALID, false});
    old.swap(table_);
    std::size_t mask = table_.size() - 1;
    for (const Entry& entry : old) {
        if (entry.length == 0)
            continue;
        std::size_t slot = entry.hash & mask;
        while (table_[slot].length != 0)
            slot = (slot + 1) & mask;
        table_[slot] = entry;
    }
}

const Shaper::Entry& Shaper::Word(int fontId, PrintFont& font, const std::u32string& text, std::size_t start,
                                  std::size_t end, hb_script_t script, bool rightToLeft) {
    const char32_t* word = text.data() + start;
    std::size_t length = end - start;
    std::uint64_t hash = WordHash(fontId, script, rightToLeft, word, length);
    if (table_.empty())
        Grow();
    std::size_t mask = table_.size() - 1, slot = hash & mask;
    for (; table_[slot].length != 0; slot = (slot + 1) & mask) {
        const Entry& entry = table_[slot];
        if (entry.hash == hash && entry.length == length && entry.font == fontId && entry.script == script &&
            entry.rightToLeft == rightToLeft && SameCharacters(word, keys_.data() + entry.keyStart, length))
            return entry;
    }
    if (entries_ >= kMostWords || cached_.size() > kMostCached) {
        std::fill(table_.begin(), table_.end(), Entry{0, 0, 0, 0, 0, 0, HB_SCRIPT_INVALID, false});
        entries_ = 0;
        keys_.clear();
        cached_.clear();
        slot = hash & mask;
    } else if (2 * (entries_ + 1) > table_.size()) {
        Grow();
        mask = table_.size() - 1;
        for (slot = hash & mask; table_[slot].length != 0;)
            slot = (slot + 1) & mask;
    }
    Entry entry{hash, static_cast<std::uint32_t>(keys_.size()), static_cast<std::uint32_t>(length),
                static_cast<std::uint32_t>(cached_.size()), 0, fontId, script, rightToLeft};
    keys_.insert(keys_.end(), word, word + length);
    ShapeNow(font, word, length, script, rightToLeft, 0, cached_);
    entry.count = static_cast<std::uint32_t>(cached_.size() - entry.first);
    ++entries_;
    return table_[slot] = entry;
}

void Shaper::Shape(int fontId, PrintFont& font, const std::u32string& text, std::size_t start, std::size_t end,
                   hb_script_t script, bool rightToLeft, std::vector<ShapedGlyph>& out) {
    auto append = [&](const ShapedGlyph* glyphs, std::size_t count, std::size_t at) {
        std::size_t base = out.size();
        if (rightToLeft)
            out.insert(out.end(), std::reverse_iterator<const ShapedGlyph*>(glyphs + count),
                       std::reverse_iterator<const ShapedGlyph*>(glyphs));
        else
            out.insert(out.end(), glyphs, glyphs + count);
        auto offset = static_cast<std::uint32_t>(at);
        for (auto glyph = out.begin() + static_cast<std::ptrdiff_t>(base); glyph != out.end(); ++glyph)
            glyph->cluster += offset;
    };
    for (std::size_t at = start; at < end;) {
        std::size_t stop = end;
        if (font.ShapesByWord()) {
            stop = at;
            while (stop < end && text[stop] != ' ')
                ++stop;
            while (stop < end && text[stop] == ' ')
                ++stop;
        }
        if (stop - at > kLongestWord) {
            word_.clear();
            ShapeNow(font, text.data() + at, stop - at, script, rightToLeft, 0, word_);
            append(word_.data(), word_.size(), at);
            at = stop;
            continue;
        }
        const Entry& entry = Word(fontId, font, text, at, stop, script, rightToLeft);
        append(cached_.data() + entry.first, entry.count, at);
        at = stop;
    }
}

} // namespace print
