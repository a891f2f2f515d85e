// A printable PostScript document: the font program as a supplied resource,
// then the lines of text, flowing onto as many pages as they need.
#pragma once

#include <string>
#include <vector>

namespace cli {

struct PageSetup {
    double width;  // points
    double height; // points
    double fontSize;
    double margin;
};

PageSetup PaperSetup(const std::string& paper, double fontSize);

// `fontProgram` defines `fontName`; `drawingCode` holds one piece of
// drawing code per line of text.
std::string MakeDocument(const std::string& fontName, const std::string& fontProgram,
                         const std::vector<std::string>& drawingCode, const PageSetup& setup);

} // namespace cli
