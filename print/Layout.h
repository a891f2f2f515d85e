// Pages like a text printer's: paragraphs of Unicode text laid out in lines
// that wrap at the right margin by the glyphs' shaped advances (at spaces
// where possible, between any two CJK characters), tabs to every eighth
// space width, right-to-left paragraphs set from the right margin, and the
// PostScript of each page written as it fills: one string of one-byte codes
// for each stretch of glyphs that sit where showing them puts them, a move
// where HarfBuzz places a glyph elsewhere.
#pragma once

#include "OutputFile.h"
#include "Shaper.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cli {

struct PrintSetup {
    double width;  // points
    double height; // points
    double margin;
    double fontSize;
    double leading;
    bool header;
};

PrintSetup PrintPaper(const std::string& paper, double fontSize, bool header);

// A character that no installed TrueType font has.
struct MissingCharacter {
    std::uint32_t codePoint;
    std::string file;
    std::size_t line;
    std::size_t column;
    std::size_t count;
};

class TextPrinter {
public:
    TextPrinter(const PrintSetup& setup, FontSet& fonts, OutputFile& body);

    // A new file (`name` and `date` as UTF-8, for the header), from a new page.
    void BeginFile(const std::string& name, const std::string& date);
    // A paragraph: `text` ends no line; its first character is at `line`
    // and `column` (from 1) of the file.
    void Paragraph(const std::u32string& text, std::size_t line, std::size_t column);
    // Ends the page: what follows starts a new one.
    void FormFeed();
    void EndFile();

    std::size_t Pages() const { return pages_; }
    // Pages of each file, in order.
    const std::vector<std::size_t>& FilePages() const { return filePages_; }
    const std::vector<MissingCharacter>& Missing() const { return missing_; }
    // The encodings the pages select by number: font and encoding number.
    const std::vector<std::pair<int, int>>& Encodings() const { return encodings_; }

private:
    struct Run {
        std::size_t start, end; // characters
        int font;               // -1: a tab
        hb_script_t script;
        int level;
        std::size_t firstGlyph, endGlyph;
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
    };

    // `line` 0: text of the header, whose missing characters are not told.
    void Itemize(Layout& layout, const std::u32string& text, std::size_t line, std::size_t column);
    void BreakLines(Layout& layout, const std::u32string& text);
    void EmitLine(Layout& layout, const std::u32string& text, std::size_t start, std::size_t end);
    double Width(const Layout& layout, std::size_t start, std::size_t end) const;
    // Draws text[start, end) from `x` on baseline `y`, the current point being there.
    void Place(Layout& layout, const std::u32string& text, std::size_t start, std::size_t end, double x, double y);
    double NextBaseline();
    void OpenPage();
    void ClosePage();
    void DrawHeader();
    void DrawGlyph(int fontId, const Layout& layout, const std::u32string& text, const Run& run, std::size_t index,
                   double x, double y);
    int EncodingKey(int fontId, int encoding);
    void SelectEncoding(int key);
    void MoveTo(double x, double y);
    void StartAt(double x, double y);
    void FlushString();
    void Write(const std::string& text);
    void MarkMissing(std::uint32_t codePoint, std::size_t line, std::size_t column);

    PrintSetup setup_;
    FontSet& fonts_;
    OutputFile& body_;
    Shaper shaper_;
    hb_unicode_funcs_t* unicode_;

    // Page state.
    std::size_t linesPerPage_ = 1;
    std::size_t lineOnPage_ = 0;
    std::size_t pages_ = 0;
    std::size_t filePage_ = 0;
    bool pageOpen_ = false;
    bool pageByFormFeed_ = false;
    std::string fileName_, fileDate_;
    std::vector<std::size_t> filePages_;

    // The PostScript being written: the encoding selected, where the
    // current point is, and the string being built.
    int encoding_ = -1;
    double pointX_ = 0, pointY_ = 0;
    std::string string_;
    std::size_t lineLength_ = 0;
    std::vector<std::vector<int>> encodingKeys_; // [font][encoding number] -> key, -1 none
    std::vector<std::pair<int, int>> encodings_;

    Layout paragraph_, header_;
    std::u32string headerText_;

    std::vector<MissingCharacter> missing_;
    std::unordered_map<std::uint32_t, std::size_t> missingIndex_;
};

} // namespace cli
