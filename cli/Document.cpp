#include "Document.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cli {

namespace {

// How the font is named in the page code: font names are already stripped
// of every byte that could end a name, so only an empty one needs a string.
std::string FontNameToken(const std::string& fontName) {
    return fontName.empty() ? "() cvn" : "/" + fontName;
}

} // namespace

print::PageModel PaperSetup(const std::string& paper, double fontSize) {
    print::PageModel model;
    if (const print::Paper* found = print::FindPaper(paper))
        model.paper = *found;
    model.marginTop = model.marginRight = model.marginBottom = model.marginLeft = 54;
    model.fontSize = fontSize;
    model.leading = fontSize * 1.25;
    return model;
}

DocumentWriter::DocumentWriter(OutputFile& out, const print::PageModel& setup) : out_(out), setup_(setup) {
    double top = setup.Height() - setup.marginTop - setup.fontSize;
    linesPerPage_ = std::max<std::size_t>(
        1, static_cast<std::size_t>(std::floor((top - setup.marginBottom) / setup.leading)) + 1);
}

bool DocumentWriter::Begin(const std::string& fontName, const char* fontProgram, std::size_t programSize) {
    std::string width = Number(setup_.Width()), height = Number(setup_.Height());
    std::string header;
    header += "%!PS-Adobe-3.0\n";
    header += "%%Creator: quelin\n";
    header += "%%BoundingBox: 0 0 " + width + " " + height + "\n";
    header += "%%DocumentSuppliedResources: font " + fontName + "\n";
    header += "%%DocumentMedia: Plain " + width + " " + height + " 0 () ()\n";
    header += "%%Pages: (atend)\n";
    header += "%%EndComments\n";
    header += "%%BeginSetup\n";
    header += "<< /PageSize [" + width + " " + height + "] >> setpagedevice\n";
    header += "%%BeginResource: font " + fontName + "\n";
    out_.Write(header);
    out_.Write(fontProgram, programSize);
    if (programSize > 0 && fontProgram[programSize - 1] != '\n')
        out_.Write("\n", 1);
    out_.Write("%%EndResource\n%%EndSetup\n");
    fontLine_ = FontNameToken(fontName) + " findfont " + Number(setup_.fontSize) + " scalefont setfont\n";
    return !out_.Failed();
}

bool DocumentWriter::BeginLine() {
    if (!codeEndsLine_)
        out_.Write("\n", 1);
    if (pageOpen_ && lineOnPage_ == linesPerPage_) {
        out_.Write("restore showpage\n");
        pageOpen_ = false;
    }
    if (!pageOpen_) {
        std::string number = std::to_string(++pages_);
        out_.Write("%%Page: " + number + " " + number + "\nsave\n" + fontLine_);
        pageOpen_ = true;
        lineOnPage_ = 0;
    }
    double top = setup_.Height() - setup_.marginTop - setup_.fontSize;
    double y = top - static_cast<double>(lineOnPage_++) * setup_.leading;
    out_.Write(Number(setup_.marginLeft) + " " + Number(y) + " moveto\n");
    codeEndsLine_ = true;
    return !out_.Failed();
}

bool DocumentWriter::LineCode(const char* code, std::size_t size) {
    if (size == 0)
        return !out_.Failed();
    codeEndsLine_ = code[size - 1] == '\n';
    return out_.Write(code, size);
}

bool DocumentWriter::End() {
    if (!codeEndsLine_)
        out_.Write("\n", 1);
    if (!pageOpen_) {
        std::string number = std::to_string(++pages_);
        out_.Write("%%Page: " + number + " " + number + "\nsave\n" + fontLine_);
    }
    out_.Write("restore showpage\n%%Trailer\n%%Pages: " + std::to_string(pages_) + "\n%%EOF\n");
    return !out_.Failed();
}

} // namespace cli
