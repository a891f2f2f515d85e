#include "GlyphItems.h"
#include "PsSyntax.h"

#include "../platform/Platform.h"

namespace t42 {

namespace {
constexpr const char kGlyphShow[] = " glyphshow ";
constexpr std::uint32_t kCodePointKeys = 0x110000; // U+0000-U+10FFFF
constexpr std::uint32_t kPairKeys = 0x10000;       // lead byte << 8 | trail byte
} // namespace

std::string_view ItemCache::Add(std::uint32_t key, const std::string& item) {
    std::uint32_t page = key >> 8;
    if (pages_.empty())
        pages_.resize(pageCount_);
    bool newPage = !pages_[page];
    if (text_.size() + item.size() > kMaxTextBytes || (newPage && pagesMade_ == kMaxPages)) {
        Clear();
        pages_.resize(pageCount_);
    }
    if (!pages_[page]) {
        pages_[page].reset(new Slot[256]());
        ++pagesMade_;
    }
    Slot& slot = pages_[page][key & 0xFF];
    slot.offset = static_cast<std::uint32_t>(text_.size());
    slot.length = static_cast<std::uint32_t>(item.size());
    text_ += item;
    return std::string_view(text_.data() + slot.offset, slot.length);
}

void ItemCache::Clear() {
    pages_.clear();
    pagesMade_ = 0;
    text_.clear();
}

GlyphItems::GlyphItems() : pairs_(kPairKeys), codePoints_(kCodePointKeys) {}

std::string GlyphItems::ItemOfGlyph(const LoadedFont& font, unsigned glyph) {
    char buffer[GlyphNamer::kBufferSize];
    const char* name = font.GlyphName(glyph & 0xFFFF, buffer);
    std::string item(NameTokenLength(name), '\0');
    WriteNameToken(&item[0], name);
    return item + kGlyphShow;
}

void GlyphItems::Prepare(const LoadedFont& font) {
    for (int byte = kFirstByte; byte < 256; ++byte) {
        std::uint16_t unit = platform::ByteToUtf16(font.CodePage(), static_cast<unsigned char>(byte));
        items_[byte - kFirstByte] = ItemOfGlyph(font, FT_Get_Char_Index(font.Face(), unit));
    }
    font_ = &font;
    codePage_ = font.CodePage() != 0 ? font.CodePage() : platform::AnsiCodePage();
    for (int byte = kFirstByte; byte < 256; ++byte)
        leadBytes_[byte] = platform::IsLeadByteOf(codePage_, static_cast<unsigned char>(byte));
}

void GlyphItems::Clear() {
    for (std::string& item : items_)
        item.clear();
    for (bool& lead : leadBytes_)
        lead = false;
    font_ = nullptr;
    codePage_ = 0;
    pairs_.Clear();
    codePoints_.Clear();
}

std::string_view GlyphItems::Lookup::Pair(unsigned char lead, unsigned char trail) {
    if (!lock_.owns_lock())
        lock_.lock();
    std::uint32_t key = static_cast<std::uint32_t>(lead) << 8 | trail;
    std::string_view item = items_.pairs_.Find(key);
    if (!item.empty() || !items_.font_)
        return item;
    const LoadedFont& font = *items_.font_;
    std::uint16_t unit = 0;
    FT_UInt glyph = platform::PairToUtf16(items_.codePage_, lead, trail, unit) ? FT_Get_Char_Index(font.Face(), unit)
                                                                               : 0;
    return items_.pairs_.Add(key, ItemOfGlyph(font, glyph));
}

std::string_view GlyphItems::Lookup::CodePoint(std::uint32_t codePoint) {
    if (!lock_.owns_lock())
        lock_.lock();
    std::string_view item = items_.codePoints_.Find(codePoint);
    if (!item.empty() || !items_.font_)
        return item;
    const LoadedFont& font = *items_.font_;
    FT_Face face = font.Face();
    bool unicode = face->charmap && face->charmap->encoding == FT_ENCODING_UNICODE;
    FT_UInt glyph = unicode ? FT_Get_Char_Index(face, codePoint) : 0;
    return items_.codePoints_.Add(codePoint, ItemOfGlyph(font, glyph));
}

} // namespace t42
