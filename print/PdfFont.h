// The fonts of a PDF document. Each font of the job that draws a glyph
// becomes a Type 0 font over a subset with two-byte codes: its glyphs get
// codes 1, 2, ... in the order the pages first draw them, so that pages
// are written before the subset (and its glyph numbering) is known. A
// TrueType subset is a CIDFontType2 whose CIDs are those codes (Identity-H),
// mapped to the subset's glyphs by a CIDToGIDMap; a CFF subset is a
// CIDFontType0 whose CIDs are its own, reached from the codes by a CMap.
// Both are written when the fonts are written at the end.
#pragma once

#include "PdfFile.h"
#include "Shaper.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace print {

class PdfFont {
public:
    PdfFont(PrintFont& font, int object) : font_(font), object_(object) {}

    int Object() const { return object_; }

    // The CID that draws `glyph`, given now when the glyph is new; a glyph
    // the font lacks draws as glyph 0. A font has at most 65535 glyphs, so
    // two-byte codes always suffice.
    std::uint16_t Cid(std::uint32_t glyph) {
        return glyph < cids_.size() && cids_[glyph] != 0 ? cids_[glyph] : GiveCid(glyph);
    }
    // The advance of a CID in thousandths of an em, as /W gives it.
    double Width(std::uint16_t cid) const { return widths_[cid]; }

    // Whether `glyph` is the font's space glyph, which draws nothing.
    bool IsSpace(std::uint32_t glyph) const { return glyph != 0 && glyph == font_.NominalGlyph(' '); }

    // The text the CID maps to: `text` when it maps to none yet.
    const std::u32string& Claim(std::uint16_t cid, const std::u32string& text);
    // Whether the CID maps to the one character `c`, claimed now when it
    // maps to nothing yet.
    bool ClaimCharacter(std::uint16_t cid, char32_t c) {
        std::u32string& mapped = texts_[cid];
        if (mapped.empty())
            mapped.assign(1, c);
        return mapped.size() == 1 && mapped[0] == c;
    }

    // Writes the subset and its dictionaries, the Type 0 font at Object().
    // False with a clause in `error` when the subset cannot be made.
    bool Write(PdfFile& file, std::string& error) const;

private:
    std::uint16_t GiveCid(std::uint32_t glyph);
    std::string SubsetName() const;
    std::string Descriptor(int fontFile) const;
    std::string Widths() const;
    bool WriteCff(PdfFile& file, std::string& error) const;

    PrintFont& font_;
    int object_;
    std::vector<std::uint16_t> cids_;            // by glyph; 0 until drawn
    std::vector<std::uint32_t> glyphs_{0};      // by CID; CID 0 is glyph 0
    std::vector<double> widths_{0};             // by CID
    std::vector<std::u32string> texts_{{}};     // by CID
};

// The document's fonts by their number in the job's FontSet, each made
// when it first draws.
class PdfFonts {
public:
    PdfFonts(PdfFile& file, FontSet& fonts) : file_(file), fonts_(fonts) {}

    PdfFont& Font(int id);
    // The job's font `id`.
    PrintFont& Source(int id) { return fonts_.Font(id); }
    // The font resource name of font `id`: "/F0".
    static std::string ResourceName(int id);
    // The /Font dictionary of the pages' resources.
    std::string Resources() const;
    // Writes every font; false with a sentence in `error` when one fails.
    bool Write(std::string& error) const;

private:
    PdfFile& file_;
    FontSet& fonts_;
    std::vector<std::unique_ptr<PdfFont>> made_; // by id; null until used
};

} // namespace print
