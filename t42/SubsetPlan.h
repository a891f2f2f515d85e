// A subset of one font for one job, planned once: which glyphs it carries
// (the drawn ones, glyph 0 and the glyphs their composite glyphs use), the
// index each is written under, its name and the text it stands for, its
// advance width, and the tables of its file. Every writer of the subset reads
// the plan: the Type 42 program, the TrueType file a PDF embeds, and the
// drawing code's glyph names. A plan refers to its font, which outlives it.
#pragma once

#include "GlyphSelection.h"
#include "LoadedFont.h"
#include "OutputBuffer.h"
#include "Status.h"
#include "Subset.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace t42 {

class SubsetPlan {
public:
    // The plan for `drawn` (see SelectSubset for the rules and refusals).
    // Reads the face: the caller holds the font's face lock.
    static Status Make(const LoadedFont& font, const std::vector<DrawnGlyph>& drawn, SubsetPlan& plan);

    const LoadedFont& Font() const { return *font_; }
    const GlyphSelection& Selection() const { return selection_; }
    const ProgramTables& Tables() const { return *tables_; }

    // The glyphs carried, and where an original glyph is written (Size()
    // when it is not carried).
    std::size_t Size() const { return selection_.Size(); }
    std::size_t WrittenIndex(std::uint32_t original) const { return selection_.WrittenIndex(original); }
    std::uint32_t Original(std::size_t written) const { return selection_.Pairs()[written].original; }
    const std::string& Name(std::size_t written) const { return selection_.Name(written); }
    const std::u32string& Text(std::size_t written) const { return selection_.Text(written); }

    // The advance width of the glyph written at `written`, in font units.
    std::uint16_t AdvanceWidth(std::size_t written) const { return advances_[written]; }
    unsigned UnitsPerEm() const;

    // The name token that draws `original` with glyphshow in the program
    // ("/A", "(x y) cvn", ...); a glyph not carried draws as glyph 0.
    std::string NameToken(std::uint32_t original) const;

    // The Type 42 program of the subset, under the font's FontName. Its
    // Encoding reads the face: this takes the font's face lock, which the
    // caller must not hold.
    void WriteProgram(OutputBuffer& out) const;

    // The subset as a TrueType file of the program's nine tables, with the
    // head table's checksum adjustment set: the bytes a PDF embeds.
    std::vector<std::uint8_t> TrueTypeFile() const;

private:
    const LoadedFont* font_ = nullptr;
    GlyphSelection selection_;
    std::unique_ptr<ProgramTables> tables_;
    std::vector<std::uint16_t> advances_; // per written glyph
};

} // namespace t42
