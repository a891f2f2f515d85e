// Pages like a text printer's: paragraphs of Unicode text laid out in lines
// that wrap at the column's right edge by the glyphs' shaped advances, where
// the Unicode line-breaking rules allow (a word longer than the line is cut
// between grapheme clusters), or are cut there; tabs to every tabWidth-th
// space width; right-to-left paragraphs set from the right edge. Text flows
// down one column, then the next. Each page, once full, goes to the page
// writer as data: positioned glyph runs with the text they stand for, and
// the rules of the header and of the marks of wrapped and cut lines.
#pragma once

#include "LineBreaks.h"
#include "Page.h"
#include "PageModel.h"
#include "PageWriter.h"
#include "Shaper.h"
#include "Style.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace print {

// A character that no installed font has.
struct MissingCharacter {
    std::uint32_t codePoint;
    std::string file;
    std::size_t line;
    std::size_t column;
    std::size_t count;
};

class PageLayout {
public:
    PageLayout(const PageModel& model, FontSet& fonts, PageWriter& writer);

    // A new file (`name` and `date` as UTF-8, for the header), from a new page.
    void BeginFile(const std::string& name, const std::string& date);
    // A paragraph: `text` ends no line; its first character is at `line`
    // and `column` (from 1) of the file. `styles` (ascending starts; empty:
    // all plain) say how its stretches are drawn.
    void Paragraph(const std::u32string& text, std::size_t line, std::size_t column,
                   const std::vector<StyleSpan>& styles = {});
    // Ends the page: what follows starts a new one.
    void FormFeed();
    void EndFile();

    std::size_t Pages() const { return pages_; }
    const std::vector<MissingCharacter>& Missing() const { return missing_; }

private:
    struct Run {
        std::size_t start, end; // characters
        int font;               // -1: a tab
        hb_script_t script;
        int level;
        std::size_t firstGlyph, endGlyph;
        std::uint32_t style;    // in Layout::styles; 0 when there are none
        unsigned char drawn;    // kEmboldened, kSlanted
    };
    struct Segment {
        std::size_t start, end;
        const Run* run;
    };
    // One paragraph, shaped: the font, script and bidi level of each
    // character, the runs they make, their glyphs, and each character's
    // advance (that of the glyphs of the cluster it starts).
    struct Layout {
        std::vector<int> fontOf;
        std::vector<hb_script_t> scriptOf;
        std::vector<signed char> levels;
        std::vector<std::uint32_t> bidiTypes, bracketTypes;
        std::vector<double> advance; // points
        std::vector<char> clusterStart;
        std::vector<Run> runs;
        std::vector<ShapedGlyph> glyphs;
        std::vector<Segment> segments;
        bool rightToLeft = false;
        // A styled paragraph's styles (the first plain), each character's
        // style in them and how its face is drawn; all empty when plain.
        std::vector<TextStyle> styles;
        std::vector<std::uint32_t> styleOf;
        std::vector<unsigned char> drawnOf;
    };
    static constexpr unsigned char kEmboldened = 1, kSlanted = 2;

    // Where a line of text goes: between `left` and `right` on baseline `y`.
    struct Slot {
        double left, right, y;
    };
    // How a line ends: with its paragraph, or continued on the next line,
    // or cut at the right edge.
    enum class LineEnd { last, wrapped, cut };

    // `line` 0: text of the header, whose missing characters are not told.
    void Itemize(Layout& layout, const std::u32string& text, std::size_t line, std::size_t column,
                 const std::vector<StyleSpan>& styles = {});
    bool IsPlainAscii(const std::u32string& text, const std::vector<StyleSpan>& styles);
    void MeasureClusters(Layout& layout, std::size_t n);
    // Each character's style, and its face in that style in place of the
    // regular one in layout.fontOf.
    void ApplyStyles(Layout& layout, const std::u32string& text, const std::vector<StyleSpan>& styles);
    // True when the line was cut at the right edge.
    bool BreakLines(Layout& layout, const std::u32string& text, std::size_t number);
    // Where the line that overflows at text[overflow] ends.
    std::size_t BreakBefore(const Layout& layout, std::size_t lineStart, std::size_t overflow);
    // `number`: the input line's number drawn beside it, 0 for none.
    void EmitLine(Layout& layout, const std::u32string& text, std::size_t start, std::size_t end, std::size_t number,
                  LineEnd ending);
    double Width(const Layout& layout, std::size_t start, std::size_t end) const;
    void DrawLineNumber(std::size_t number, const Slot& slot);
    void MarkEnd(LineEnd ending, const Slot& slot);
    // The glyph runs of text[start, end) drawn from `x` on baseline `y`, in
    // visual order, appended to `runs`.
    // Underlined runs add their rules to `rules`.
    void Place(Layout& layout, const std::u32string& text, std::size_t start, std::size_t end, double x, double y,
               std::vector<GlyphRun>& runs, std::vector<Rule>* rules = nullptr);
    void Underline(const GlyphRun& run, double from, double to, double y, std::vector<Rule>& rules);
    void MakeRun(const Layout& layout, const std::u32string& text, const Run& run, std::size_t first,
                 std::size_t stop, double& x, double y, GlyphRun& out);
    // A header item: `text` from `x` on baseline `y`, a line of the header.
    void HeaderLine(const std::u32string& text, double x, double y);
    // The width of `text` set in the header's font and size.
    double HeaderWidth(const std::u32string& text);
    // The header's name, shortened in its middle to fit `room` when it does not.
    const std::u32string& FittedName(double room);
    double DigitWidth();
    Slot NextSlot();
    void Recycle(std::vector<GlyphRun>& runs);
    void Recycle(std::vector<Line>& lines);
    // A line or run appended to `lines` or `runs`, with storage from the
    // page before where there is some.
    Line& NewLine(std::vector<Line>& lines, double x, double y);
    GlyphRun& NewRun(std::vector<GlyphRun>& runs);
    void BlankPage();
    void OpenPage();
    void ClosePage();
    void DrawHeader();
    void MarkMissing(std::uint32_t codePoint, std::size_t line, std::size_t column);

    PageModel model_;
    FontSet& fonts_;
    PageWriter& writer_;
    Shaper shaper_;
    hb_unicode_funcs_t* unicode_;
    LineBreaks breaks_;

    // A column's lines and width, the room for line numbers at its left.
    std::size_t linesPerColumn_ = 1;
    double columnWidth_ = 0, numberWidth_ = 0;
    std::size_t cutLine_ = 0; // the input line cut last: its further pieces are left out
    std::size_t lineOnPage_ = 0;
    std::size_t pages_ = 0;
    std::size_t files_ = 0;
    std::size_t filePage_ = 0;
    bool pageOpen_ = false;
    bool pageByFormFeed_ = false;
    std::string fileName_, fileDate_;
    std::u32string name_, fittedName_;
    double fittedRoom_ = -1;
    Page page_;
    std::vector<GlyphRun> spareRuns_;
    std::vector<std::vector<GlyphRun>> spareRunLists_;

    Layout paragraph_, header_;

    std::vector<MissingCharacter> missing_;
    std::unordered_map<std::uint32_t, std::size_t> missingIndex_;
};

} // namespace print
