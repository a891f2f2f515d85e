#include "GlyphItems.h"
#include "PsSyntax.h"

#include "../platform/Platform.h"

namespace t42 {

namespace {
constexpr const char kGlyphShow[] = " glyphshow ";
} // namespace

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
}

void GlyphItems::Clear() {
    for (std::string& item : items_)
        item.clear();
}

} // namespace t42
