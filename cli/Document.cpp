#include "Document.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cli {

namespace {

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string number = text;
    while (number.back() == '0')
        number.pop_back();
    if (number.back() == '.')
        number.pop_back();
    return number;
}

// How the font is named in the page code: font names are already stripped
// of every byte that could end a name, so only an empty one needs a string.
std::string FontNameToken(const std::string& fontName) {
    return fontName.empty() ? "() cvn" : "/" + fontName;
}

} // namespace

PageSetup PaperSetup(const std::string& paper, double fontSize) {
    if (paper == "letter")
        return {612, 792, fontSize, 54};
    return {595, 842, fontSize, 54};
}

std::string MakeDocument(const std::string& fontName, const std::string& fontProgram,
                         const std::vector<std::string>& drawingCode, const PageSetup& setup) {
    double leading = setup.fontSize * 1.25;
    double top = setup.height - setup.margin - setup.fontSize;
    std::size_t linesPerPage =
        std::max<std::size_t>(1, static_cast<std::size_t>(std::floor((top - setup.margin) / leading)) + 1);
    std::size_t pages = std::max<std::size_t>(1, (drawingCode.size() + linesPerPage - 1) / linesPerPage);

    std::string width = Number(setup.width), height = Number(setup.height);
    std::string document;
    document.reserve(fontProgram.size() + 1024 + drawingCode.size() * 64);
    document += "%!PS-Adobe-3.0\n";
    document += "%%Creator: quelin\n";
    document += "%%BoundingBox: 0 0 " + width + " " + height + "\n";
    document += "%%DocumentSuppliedResources: font " + fontName + "\n";
    document += "%%DocumentMedia: Plain " + width + " " + height + " 0 () ()\n";
    document += "%%Pages: " + std::to_string(pages) + "\n";
    document += "%%EndComments\n";
    document += "%%BeginSetup\n";
    document += "<< /PageSize [" + width + " " + height + "] >> setpagedevice\n";
    document += "%%BeginResource: font " + fontName + "\n";
    document += fontProgram;
    if (!fontProgram.empty() && fontProgram.back() != '\n')
        document += "\n";
    document += "%%EndResource\n";
    document += "%%EndSetup\n";

    std::string font = FontNameToken(fontName) + " findfont " + Number(setup.fontSize) + " scalefont setfont\n";
    for (std::size_t page = 0; page < pages; ++page) {
        std::string number = std::to_string(page + 1);
        document += "%%Page: " + number + " " + number + "\n";
        document += "save\n" + font;
        std::size_t first = page * linesPerPage;
        std::size_t last = std::min(drawingCode.size(), first + linesPerPage);
        for (std::size_t line = first; line < last; ++line) {
            double y = top - static_cast<double>(line - first) * leading;
            document += Number(setup.margin) + " " + Number(y) + " moveto\n";
            document += drawingCode[line];
            if (drawingCode[line].empty() || drawingCode[line].back() != '\n')
                document += "\n";
        }
        document += "restore showpage\n";
    }
    document += "%%Trailer\n%%EOF\n";
    return document;
}

} // namespace cli
