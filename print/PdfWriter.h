// Pages as a PDF 1.7 document, written as they come: each page's content
// stream and page object go out when the page is laid out; "Page N of M"
// goes in a second content stream written when the file's page count is
// known; the fonts (subsets of just the glyphs drawn), the page tree, the
// bookmarks (one per input file) and the cross-reference table at the end.
// Memory holds the fonts' glyph tables and one file's count labels, never
// the document.
#pragma once

#include "PageModel.h"
#include "PageWriter.h"
#include "PdfContent.h"
#include "PdfFile.h"
#include "PdfFont.h"

#include <string>
#include <vector>

namespace print {

class PdfWriter : public PageWriter {
public:
    // `title` is the document's title (UTF-8): the file name, or "standard input".
    PdfWriter(Output& out, const PageModel& model, FontSet& fonts, std::string title);

    void BeginFile(const FileInfo& file) override;
    void WritePage(const Page& page) override;
    void EndFile(std::size_t pages) override;
    bool Finish(std::string& error, Fault& fault) override;

private:
    struct Bookmark {
        std::string name;
        int page; // object number; 0 when the file had no page
    };
    struct CountLabel {
        int stream;
        PageCountLabel label;
    };

    void DrawPageCount(const PageCountLabel& label, const std::string& count);
    void WriteOutline();
    void WriteCatalog();

    Output& out_;
    PageModel model_;
    std::string title_;
    PdfFile file_;
    PdfFonts fonts_;
    PdfContent content_;
    int catalog_, pageTree_, resources_, outline_;
    std::vector<int> pages_;             // page objects, in order
    std::vector<Bookmark> bookmarks_;
    std::vector<CountLabel> countLabels_; // of the file's pages so far
};

} // namespace print
