#include "PdfWriter.h"

#include "PdfSyntax.h"

#include <utility>

namespace print {

PdfWriter::PdfWriter(Output& out, const PageModel& model, FontSet& fonts, std::string title)
    : out_(out), model_(model), title_(std::move(title)), file_(out), fonts_(file_, fonts), content_(fonts_) {
    catalog_ = file_.Reserve();
    pageTree_ = file_.Reserve();
    resources_ = file_.Reserve();
    outline_ = file_.Reserve();
}

void PdfWriter::BeginFile(const FileInfo& file) {
    bookmarks_.push_back({file.name, 0});
    countLabels_.clear();
}

void PdfWriter::WritePage(const Page& page) {
    for (const Line& line : page.header)
        content_.Draw(line);
    for (const Line& line : page.lines)
        content_.Draw(line);
    for (const Rule& rule : page.rules)
        content_.Fill(rule);
    int contents = file_.Reserve();
    file_.WriteStream(contents, "", content_.Take());
    int object = file_.Reserve();
    std::string streams = PdfFile::Ref(contents);
    if (page.hasCount) {
        countLabels_.push_back({file_.Reserve(), page.count});
        streams = "[" + streams + " " + PdfFile::Ref(countLabels_.back().stream) + "]";
    }
    file_.WriteObject(object, "<</Type/Page/Parent " + PdfFile::Ref(pageTree_) + "/Contents " + streams + ">>");
    pages_.push_back(object);
    lastInFile_ = page.numberInFile;
    if (!bookmarks_.empty() && bookmarks_.back().page == 0)
        bookmarks_.back().page = object;
}

void PdfWriter::EndFile(std::size_t pages) {
    std::string count = std::to_string(pages);
    for (const CountLabel& pending : countLabels_) {
        DrawPageCount(pending.label, count);
        file_.WriteStream(pending.stream, "", content_.Take());
    }
    countLabels_.clear();
}

// The label's runs, then the count in font 0's nominal digits at their
// natural advances, ending at the label's right edge.
void PdfWriter::DrawPageCount(const PageCountLabel& label, const std::string& count) {
    GlyphRun digits;
    digits.font = 0;
    digits.size = label.runs.empty() ? model_.fontSize : label.runs.front().size;
    PrintFont& font = fonts_.Source(0);
    double width = 0;
    for (char digit : count) {
        std::uint32_t glyph = font.NominalGlyph(static_cast<unsigned char>(digit));
        digits.clusters.push_back({static_cast<std::uint32_t>(digits.glyphs.size()), 1,
                                   static_cast<std::uint32_t>(digits.text.size()), 1});
        digits.text += static_cast<char32_t>(digit);
        digits.glyphs.push_back({glyph, width, label.y});
        width += font.NaturalAdvance(glyph) * digits.size / font.UnitsPerEm();
    }
    double start = label.right - width;
    for (PlacedGlyph& glyph : digits.glyphs)
        glyph.x += start;
    for (const GlyphRun& run : label.runs)
        content_.Draw(run, start - label.width, label.y);
    content_.Draw(digits);
}

void PdfWriter::WriteOutline() {
    std::vector<std::size_t> marked;
    for (std::size_t i = 0; i < bookmarks_.size(); ++i)
        if (bookmarks_[i].page != 0)
            marked.push_back(i);
    int first = 0;
    for (std::size_t i = 0; i < marked.size(); ++i) {
        int object = file_.Reserve();
        if (i == 0)
            first = object;
        // Items are written in order, so their neighbours' numbers follow from theirs.
        std::string links = "/Parent " + PdfFile::Ref(outline_);
        if (i > 0)
            links += "/Prev " + PdfFile::Ref(object - 1);
        if (i + 1 < marked.size())
            links += "/Next " + PdfFile::Ref(object + 1);
        const Bookmark& mark = bookmarks_[marked[i]];
        file_.WriteObject(object, "<</Title " + PdfTextString(mark.name) + links + "/Dest[" +
                                      PdfFile::Ref(mark.page) + "/Fit]>>");
    }
    std::string root = "<</Type/Outlines/Count " + std::to_string(marked.size());
    if (!marked.empty())
        root += "/First " + PdfFile::Ref(first) + "/Last " + PdfFile::Ref(first + static_cast<int>(marked.size()) - 1);
    file_.WriteObject(outline_, root + ">>");
}

void PdfWriter::WriteCatalog() {
    // Readers (poppler, MuPDF) refuse a page tree without pages: a document
    // with nothing to print is one blank sheet.
    if (pages_.empty())
        WritePage(Page{});
    std::string kids;
    for (std::size_t i = 0; i < pages_.size(); ++i)
        kids += (i == 0 ? "" : (i % 10 == 0 ? "\n" : " ")) + PdfFile::Ref(pages_[i]);
    // Every page inherits the paper and the resources from the tree.
    file_.WriteObject(pageTree_, "<</Type/Pages/Count " + std::to_string(pages_.size()) + "/MediaBox[0 0 " +
                                     Number(model_.Width()) + " " + Number(model_.Height()) + "]/Resources " +
                                     PdfFile::Ref(resources_) + "/Kids[" + kids + "]>>");
    file_.WriteObject(resources_, "<</Font " + fonts_.Resources() + ">>");
    WriteOutline();
    std::string duplex;
    if (model_.duplex != Duplex::none)
        duplex = std::string("/ViewerPreferences<</Duplex/DuplexFlip") +
                 (model_.duplex == Duplex::longEdge ? "LongEdge" : "ShortEdge") + ">>";
    file_.WriteObject(catalog_, "<</Type/Catalog/Pages " + PdfFile::Ref(pageTree_) + "/Outlines " +
                                    PdfFile::Ref(outline_) + "/PageMode/UseOutlines" + duplex + ">>");
}

bool PdfWriter::Finish(std::string& error, Fault& fault) {
    if (!countLabels_.empty()) // a file that did not end: its pages so far
        EndFile(lastInFile_);
    if (!fonts_.Write(error)) {
        fault = Fault::font;
        return false;
    }
    WriteCatalog();
    int info = file_.Reserve();
    file_.WriteObject(info, "<</Title " + PdfTextString(title_) + "/Producer(quelin)/CreationDate " +
                                PdfDate(DocumentTime()) + ">>");
    file_.Finish(catalog_, info);
    if (out_.Failed()) {
        error = out_.Error();
        fault = Fault::file;
        return false;
    }
    return true;
}

} // namespace print
