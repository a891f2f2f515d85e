// The page a job prints on: the paper (by name, its size in points), the
// orientation, the margins and the type size. The `page` and `print`
// commands and the page writers all read their sizes from here.
#pragma once

#include <cstdint>
#include <cmath>
#include <string>

namespace print {

struct Paper {
    const char* name;  // as a PostScript PageSize feature names it: "A4", "Letter"
    double width;      // portrait, in points
    double height;
};

// The paper that `name` names ("a4", "letter", "legal", "a3", "a5", any
// case); null when none does.
const Paper* FindPaper(const std::string& name);

// The names FindPaper knows, for messages: "a4, a3, a5, letter, legal".
std::string PaperNames();

enum class Duplex { none, longEdge, shortEdge };

// The bounds of what a job may ask for, wherever it asks.
constexpr double kSmallestSize = 1, kLargestSize = 500; // type size, points
constexpr double kLargestMargin = 1000;                  // points
constexpr int kMostColumns = 8;
// Baseline to baseline, as a share of the type size, unless a job sets it.
constexpr double kLeadingRatio = 1.2;

struct PageModel {
    Paper paper = {"A4", 595, 842};
    bool landscape = false;
    double marginTop = 36, marginRight = 36, marginBottom = 36, marginLeft = 36;
    double fontSize = 10; // points
    double leading = 12;  // baseline to baseline
    bool header = false;  // name, date and "Page N of M" above the text
    int columns = 1;      // text columns on a sheet
    double gutter = 18;   // between columns
    bool lineNumbers = false;
    int tabWidth = 8;     // in space widths
    bool truncate = false; // long lines cut at the margin instead of wrapped
    std::string title;    // the header's name and the PDF's title; empty: the file's name
    Duplex duplex = Duplex::none; // asked of the printer only when set

    // The sheet as it is printed on: the paper turned in landscape.
    double Width() const { return landscape ? paper.height : paper.width; }
    double Height() const { return landscape ? paper.width : paper.height; }
};

// Why text cannot be set on `page`: "the margins leave no room for a line
// of 10-point text"; empty when it can.
std::string RoomProblem(const PageModel& page);

// A length rounded to whole hundredths of a point, as the writers place
// glyphs and Number writes them.
inline double RoundedToHundredths(double value) { return static_cast<double>(std::lround(value * 100)) / 100; }

// A number of points to two decimals, without trailing zeros: "12", "7.5".
std::string Number(double value);
// The same number added to the end of `out`.
void AppendNumber(std::string& out, double value);

// A colour 0xRRGGBB as the three components, from 0 to 1 to three decimals,
// that PostScript's setrgbcolor and PDF's rg take: "1 0.502 0".
std::string ColorComponents(std::uint32_t color);

// The tangent that slants glyphs that have no italic face, as the writers
// put it in a matrix: "0.2126".
std::string SlantText();

} // namespace print
