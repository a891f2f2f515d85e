// A printable PostScript document: the font program as a supplied resource,
// then the lines of text, flowing onto as many pages as they need. The
// document is written as the lines arrive, so that memory holds one piece
// of a line at a time, never the whole text; the number of pages is given
// in the trailer.
#pragma once

#include "OutputFile.h"

#include "print/PageModel.h"

#include <cstddef>
#include <string>

namespace cli {

// The page of the `page` command: the paper, 54-point margins, lines 1.25
// times the size apart.
print::PageModel PaperSetup(const std::string& paper, double fontSize);

using print::Number;

class DocumentWriter {
public:
    DocumentWriter(OutputFile& out, const print::PageModel& setup);

    // The header and the setup, with `fontProgram` defining `fontName`.
    bool Begin(const std::string& fontName, const char* fontProgram, std::size_t programSize);
    // Starts a line of text below the last, on a new page when needed.
    bool BeginLine();
    // Drawing code for the current line, in as many pieces as it takes.
    bool LineCode(const char* code, std::size_t size);
    // Ends the last page (an empty one when there was no line) and the document.
    bool End();

private:
    OutputFile& out_;
    print::PageModel setup_;
    std::string fontLine_;
    std::size_t linesPerPage_ = 1;
    std::size_t pages_ = 0;
    std::size_t lineOnPage_ = 0;
    bool lineOpen_ = false;
    bool pageOpen_ = false;
    bool codeEndsLine_ = true;
};

} // namespace cli
