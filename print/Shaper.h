// The fonts of a print job and the shaping of text in them: each font's
// HarfBuzz face (on the font file's bytes) and its loaded font. Shaped
// words are kept in a bounded cache, so that text which repeats its words
// is shaped once.
#pragma once

#include "CffFont.h"
#include "FontChoice.h"

#include "t42/TTPost42.h"

#include <hb.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace print {

struct ShapedGlyph {
    std::uint32_t glyph;
    std::uint32_t cluster; // index of the first character it stands for
    std::int32_t advance;  // font units
    std::int32_t xOffset;
    std::int32_t yOffset;
};

// Which outlines a font has, and so how its writers embed it: TrueType as a
// Type 42 program (PostScript) or CIDFontType2 (PDF), CFF as a CFF FontSet
// (PostScript) or CIDFontType0 (PDF).
enum class Outlines { trueType, cff };

class PrintFont {
public:
    // Loads the face and opens it for shaping; null with a sentence in
    // `error` when it cannot be.
    static std::unique_ptr<PrintFont> Open(const t42::FontLocation& location, std::string& error);
    ~PrintFont();
    PrintFont(const PrintFont&) = delete;
    PrintFont& operator=(const PrintFont&) = delete;

    bool HasGlyph(std::uint32_t codePoint) const {
        hb_codepoint_t glyph = 0;
        return hb_font_get_nominal_glyph(font_, codePoint, &glyph) && glyph != 0;
    }
    hb_font_t* Hb() const { return font_; }
    unsigned UnitsPerEm() const { return unitsPerEm_; }
    // Whether shaping word by word gives what shaping a whole line gives:
    // no lookup of the font reads or writes the space glyph.
    bool ShapesByWord() const { return byWord_; }
    // The advance that showing the glyph moves by: its hmtx width.
    std::int32_t NaturalAdvance(std::uint32_t glyph) {
        if (glyph >= natural_.size())
            glyph = 0;
        std::int32_t& advance = natural_[glyph];
        if (advance == kUnknown)
            advance = hb_font_get_glyph_h_advance(font_, glyph);
        return advance;
    }
    // The glyph the font's Unicode map gives `codePoint`; 0 when none.
    std::uint32_t NominalGlyph(std::uint32_t codePoint) const {
        hb_codepoint_t glyph = 0;
        hb_font_get_nominal_glyph(font_, codePoint, &glyph);
        return glyph;
    }
    Outlines Kind() const { return cff_ ? Outlines::cff : Outlines::trueType; }
    // The converter of a TrueType font; the face of a CFF font.
    const t42::TTPost42& Converter() const { return *converter_; }
    const CffFont& Cff() const { return *cff_; }
    std::uint32_t GlyphCount() const { return static_cast<std::uint32_t>(natural_.size()); }
    const t42::FontLocation& Location() const { return location_; }
    std::string PostScriptName() const;
    // Where an underline's top goes below the baseline and how thick it is,
    // in font units: the font's own metrics, else a tenth and a twentieth
    // of the em.
    std::int32_t UnderlinePosition() const { return underlinePosition_; }
    std::int32_t UnderlineThickness() const { return underlineThickness_; }

private:
    PrintFont() = default;
    bool OpenOutlines(std::string& error);

    static constexpr std::int32_t kUnknown = INT32_MIN;
    t42::FontLocation location_;
    std::shared_ptr<const t42::FontFile> file_;
    std::shared_ptr<t42::TTPost42> converter_;
    std::unique_ptr<CffFont> cff_;
    hb_blob_t* blob_ = nullptr;
    hb_face_t* face_ = nullptr;
    hb_font_t* font_ = nullptr;
    unsigned unitsPerEm_ = 1000;
    bool byWord_ = false;
    std::int32_t underlinePosition_ = 0, underlineThickness_ = 0;
    std::vector<std::int32_t> natural_;
};

// The face that draws a font's text bold or italic: a face of the set, and
// how it is drawn for what its family has no face for.
struct StyledFace {
    int font;
    bool emboldened;
    bool slanted;
};

// The fonts of a job: the main one (0) and the fallbacks, each opened once,
// and which of them draws each character.
class FontSet {
public:
    // `onRead` is told the path of each font file the set reads.
    using FontReadHook = std::function<void(const std::string& path)>;
    FontSet(FontChoice& choice, std::unique_ptr<PrintFont> main, FontReadHook onRead = nullptr);

    // The font for `codePoint`: the main font when it has it, else the
    // first fallback that has it; -1 when no font has it.
    int FontFor(std::uint32_t codePoint) {
        if (codePoint < kFastRange) {
            int id = fast_[codePoint];
            if (id != kUnknownFont)
                return id;
            return fast_[codePoint] = static_cast<short>(Find(codePoint));
        }
        auto found = slow_.find(codePoint);
        if (found != slow_.end())
            return found->second;
        return slow_[codePoint] = Find(codePoint);
    }
    PrintFont& Font(int id) { return *fonts_[static_cast<std::size_t>(id)]; }
    // The face of font `id`'s family that draws it `bold` and/or `italic`,
    // opened once: the family's own face where it has one, else font `id`
    // emboldened or slanted.
    StyledFace Styled(int id, bool bold, bool italic);
    std::size_t Count() const { return fonts_.size(); }
    // Fonts that could not be opened, one sentence each, said once.
    std::vector<std::string> TakeWarnings();

private:
    int Find(std::uint32_t codePoint);
    // The font at `location` from the set, opened the first time; -1 when
    // it cannot be opened.
    int Add(const t42::FontLocation& location);

    static constexpr std::uint32_t kFastRange = 0x10000;
    static constexpr short kUnknownFont = -2;
    FontChoice& choice_;
    FontReadHook onRead_;
    std::vector<std::unique_ptr<PrintFont>> fonts_;
    std::map<std::pair<std::string, int>, int> byLocation_; // -1: cannot be opened
    std::vector<short> fast_;
    std::unordered_map<std::uint32_t, int> slow_;
    std::map<std::pair<int, int>, StyledFace> styled_; // by font and bold + 2 * italic
    std::vector<std::string> warnings_;
};

// Shapes runs of one font, script and direction with HarfBuzz.
class Shaper {
public:
    Shaper();
    ~Shaper();
    Shaper(const Shaper&) = delete;
    Shaper& operator=(const Shaper&) = delete;

    // Appends the glyphs of text[start, end) in logical order (a
    // right-to-left run's glyphs reversed; drawing them from last to first
    // gives HarfBuzz's order), clusters counted from the start of `text`.
    void Shape(int fontId, PrintFont& font, const std::u32string& text, std::size_t start, std::size_t end,
               hb_script_t script, bool rightToLeft, std::vector<ShapedGlyph>& out);

private:
    void ShapeNow(PrintFont& font, const char32_t* text, std::size_t length, hb_script_t script,
                  bool rightToLeft, std::uint32_t clusterBase, std::vector<ShapedGlyph>& out);

    // A shaped word: its font, script and direction, its characters
    // (keys_[keyStart, keyStart + length)) and its glyphs (cached_[first,
    // first + count)). A length of 0 marks a free slot of the table.
    struct Entry {
        std::uint64_t hash;
        std::uint32_t keyStart, length;
        std::uint32_t first, count;
        int font;
        hb_script_t script;
        bool rightToLeft;
    };
    // The glyphs of the word text[start, end), shaped now if not before.
    const Entry& Word(int fontId, PrintFont& font, const std::u32string& text, std::size_t start, std::size_t end,
                      hb_script_t script, bool rightToLeft);
    void Grow();

    hb_buffer_t* buffer_;
    hb_language_t language_;
    std::vector<Entry> table_;    // open addressing; a power of two long
    std::size_t entries_ = 0;
    std::vector<char32_t> keys_;
    std::vector<ShapedGlyph> cached_;
    std::vector<ShapedGlyph> word_;
};

} // namespace print
