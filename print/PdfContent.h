// The text operators of one content stream: runs of placed glyphs shown
// with their fonts' two-byte codes, each glyph where the layout put it.
// Showing a glyph moves the pen by its /W width; where the next glyph sits
// elsewhere on the baseline a TJ adjustment moves the pen there, and off
// the baseline a new text line. Moves are whole hundredths of a point,
// taken from where the pen really is, so that rounding never adds up.
// A word with a cluster whose glyphs do not give its text back through
// ToUnicode is wrapped in a span with its ActualText.
#pragma once

#include "Page.h"
#include "PdfFont.h"

#include <string>
#include <string_view>
#include <vector>

namespace print {

class PdfContent {
public:
    explicit PdfContent(PdfFonts& fonts) : fonts_(fonts) {}

    // Draws the run moved by (dx, dy) points.
    void Draw(const GlyphRun& run, double dx = 0, double dy = 0);
    void Draw(const Line& line) {
        for (const GlyphRun& run : line.runs)
            Draw(run);
        for (const Rule& rule : line.rules)
            Fill(rule);
    }
    void Fill(const Rule& rule);

    // The operators drawn so far, and a fresh start.
    std::string Take();

private:
    // A cluster's glyphs, glyphs[first, end) of the run; or glyphs in no cluster.
    struct Piece {
        const Cluster* cluster;
        std::uint32_t first, end;
    };
    bool ClaimOneToOne(const GlyphRun& run, PdfFont& font);
    void DrawPieces(const GlyphRun& run, PdfFont& font);
    void DrawWord(const GlyphRun& run, PdfFont& font, std::size_t start, std::size_t end);
    std::u32string WordText(const GlyphRun& run, std::size_t start, std::size_t end) const;
    bool NeedsActualText(const GlyphRun& run, PdfFont& font, const Piece& piece);
    void ShowOneToOne(PdfFont& font, const std::vector<PlacedGlyph>& glyphs);
    bool AtPen(double x, double y, double penX) const;
    void Show(PdfFont& font, std::uint16_t cid, const PlacedGlyph& glyph);
    void MovePen(double x, double y);
    void StartLine();
    void SelectFont(int id, double size);
    void SelectStyle(const GlyphRun& run);
    void SelectColor(std::uint32_t color);
    void BeginText();
    void EndText();
    void EndShow();
    void Write(std::string_view text);
    // Two numbers and the space between them.
    void AppendNumbers(double first, double second);
    void AppendCode(std::uint16_t cid);

    PdfFonts& fonts_;
    std::vector<Piece> pieces_; // of the run being drawn
    std::vector<std::uint16_t> codes_; // of a one-to-one run being drawn
    std::string out_;
    bool started_ = false;  // the stream's graphics state saved
    bool inText_ = false;
    bool showing_ = false;  // inside a TJ array
    bool inString_ = false; // inside its string of codes
    int font_ = -1;
    double size_ = 0;
    bool placed_ = false;   // the pen is at (penX_, penY_)
    double penX_ = 0, penY_ = 0;
    double lineX_ = 0, lineY_ = 0; // where the text line starts
    bool lineSlanted_ = false;
    double dx_ = 0, dy_ = 0; // the run's move
    std::uint32_t color_ = kBlack;
    bool slanted_ = false;
    bool emboldened_ = false;
};

} // namespace print
