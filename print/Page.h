// Pages as data: what the layout decides and a page writer serialises.
// Every glyph is placed on the sheet (points, origin at the bottom left)
// and carries the text it stands for, so that any writer can draw it and
// give the text back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace print {

struct PlacedGlyph {
    std::uint32_t glyph; // index in its font's file
    double x, y;         // where it is drawn: the pen position plus HarfBuzz's offset
};

// Glyphs that stand together for some characters: one character and its
// glyph, a ligature, a base with its marks, a reordered Indic syllable.
// Its glyphs are glyphs[first, first + count) of the run, its characters
// (in reading order) text[textStart, textStart + textLength) of the run.
struct Cluster {
    std::uint32_t first;
    std::uint32_t count;
    std::uint32_t textStart = 0;
    std::uint32_t textLength = 0;
};

// Colours as 0xRRGGBB.
constexpr std::uint32_t kBlack = 0x000000;

// Glyphs of one font at one size, in drawing order (left to right on the
// sheet), with their clusters in the same order. A right-to-left run's
// clusters therefore come last character first.
struct GlyphRun {
    int font;  // in the job's FontSet
    double size;
    bool rightToLeft = false;
    std::vector<PlacedGlyph> glyphs;
    std::vector<Cluster> clusters;
    std::u32string text; // the characters of its clusters
    std::uint32_t color = kBlack;
    bool emboldened = false; // drawn bolder than the font: no bold face was found
    bool slanted = false;    // drawn slanted: no italic face was found
};

// How a writer draws a run that its font does not draw bold or italic: the
// outlines stroked, as well as filled, with a line this part of the type
// size wide; the glyphs sheared by this tangent of 12 degrees.
constexpr double kEmboldenStroke = 0.04;
constexpr double kSlantTangent = 0.2126;

// The characters that a cluster of `run` stands for.
inline std::u32string_view ClusterText(const GlyphRun& run, const Cluster& cluster) {
    return std::u32string_view(run.text).substr(cluster.textStart, cluster.textLength);
}

// A filled rectangle: an underline, the rule under a header, a mark.
struct Rule {
    double x, y, width, height; // lower left corner and size
    std::uint32_t color = kBlack;
};

// A line of text: its runs in drawing order, starting at (x, y).
struct Line {
    double x, y;
    std::vector<GlyphRun> runs;
    std::vector<Rule> rules; // underlines, drawn after the glyphs
};

// "Page N of M" in a header: the runs of "Page N of " laid out from the
// origin (x and y relative to where the label starts on baseline `y`), to
// be set so that M (the file's page count, known only when the file ends,
// drawn with font 0's nominal digits) ends at `right`.
struct PageCountLabel {
    double right, y;
    double width; // of the runs
    std::vector<GlyphRun> runs;
};

struct Page {
    std::size_t file;          // which input, from 0
    std::size_t numberInFile;  // from 1
    std::vector<Line> header;  // the file name and the date
    bool hasCount = false;
    PageCountLabel count;
    std::vector<Line> lines;   // the text, top to bottom
    std::vector<Rule> rules;   // the header's rule, continuation marks
};

// Characters that take no glyph of their own: joiners, bidi controls,
// variation selectors and the other default ignorables.
inline bool IsDefaultIgnorable(char32_t c) {
    return c == 0x00AD || c == 0x034F || c == 0x061C || (c >= 0x180B && c <= 0x180F) || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || (c >= 0xFE00 && c <= 0xFE0F) ||
           c == 0xFEFF || (c >= 0x1F3FB && c <= 0x1F3FF) || (c >= 0xE0000 && c <= 0xE0FFF);
}

} // namespace print
