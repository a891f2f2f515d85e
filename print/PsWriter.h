// The PostScript page writer: a DSC document whose fonts are subsets of
// just the glyphs the job draws, in %%BeginResource blocks of the setup:
// Type 42 programs of TrueType fonts, FontSet resources of CFF fonts (a
// CID-keyed one drawn through a Type 0 font with a one-byte CMap per
// encoding). Each glyph drawn gets a one-byte code in one of its font's
// 256-glyph encodings the first time it is drawn (the printable ASCII codes
// kept for the glyphs of those characters), so a line of text is mostly one
// string; a glyph that HarfBuzz places elsewhere than showing the one
// before puts it gets a move. Colours are set as they change; emboldened
// runs are shown with their outlines stroked too, slanted ones in a sheared
// copy of the font, rules filled as rectangles. The pages go to a scratch file as they come,
// since the fonts before them are known only at the end.
#pragma once

#include "Output.h"
#include "PageModel.h"
#include "PageWriter.h"
#include "Shaper.h"

#include "t42/Subset.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace print {

class PsWriter : public PageWriter {
public:
    // `body` holds the pages until Finish writes the document to `out`.
    PsWriter(const PageModel& model, FontSet& fonts, Scratch& body, Output& out);

    void BeginFile(const FileInfo& file) override;
    void WritePage(const Page& page) override;
    void EndFile(std::size_t pages) override;
    bool Finish(std::string& error, Fault& fault) override;

private:
    // The codes given to one font's glyphs.
    struct FontCodes {
        std::vector<int> codeOf;          // per glyph: encoding number * 256 + byte, -1 before its first use
        std::vector<char> asciiOf;        // per glyph: the printable ASCII character it draws, or 0
        std::vector<t42::DrawnGlyph> drawn; // in the order of their codes' first use
        std::size_t nextOrder = 0;
    };

    FontCodes& CodesOf(int fontId);
    int CodeOf(int fontId, std::uint32_t glyph, const std::u32string& text);
    int EncodingKey(int fontId, int encoding);
    void SelectEncoding(int key, bool slanted = false) {
        if (key * 2 + (slanted ? 1 : 0) != encoding_)
            SwitchEncoding(key, slanted);
    }
    void SwitchEncoding(int key, bool slanted);
    void SetColor(std::uint32_t color);
    void MoveTo(double x, double y);
    void StartAt(double x, double y);
    void DrawLine(const Line& line);
    void DrawRun(const GlyphRun& run);
    int FirstCode(const GlyphRun& run, const Cluster& cluster, std::uint32_t glyph);
    void AppendCode(unsigned char byte);
    void DrawCount(const Page& page);
    void DrawRule(const Rule& rule);
    void FlushString();
    void Write(const std::string& text);
    void Write(const char* text, std::size_t size);
    bool WriteSetup(std::string& error);
    bool WriteCffFont(const PrintFont& font, const std::vector<t42::DrawnGlyph>& drawn, t42::OutputBuffer& program,
                      CffSubset& subset, std::vector<std::string>& tokens, std::string& error);
    std::string NameEncoding(std::size_t key, const std::string& font, const std::string& name,
                             const std::vector<const std::string*>& slots);
    std::string CidEncoding(std::size_t key, const std::string& font, const std::string& name,
                            const std::vector<const std::string*>& slots);
    bool CopyPages(std::string& error);

    PageModel model_;
    FontSet& fonts_;
    Scratch& body_;
    Output& out_;
    std::vector<FontCodes> codes_;
    std::size_t pages_ = 0;
    std::vector<std::size_t> filePages_;

    // The PostScript being written: the encoding selected (its key, times 2,
    // plus 1 when slanted), the colour, where the current point is, and the
    // string being built ("(" and its codes), shown emboldened or not.
    int encoding_ = -1;
    std::uint32_t color_ = kBlack;
    double pointX_ = 0, pointY_ = 0;
    // A string is shown once it holds more than kLongestString bytes: "("
    // and codes of at most four bytes each, and ")S " still fit.
    static constexpr std::size_t kLongestString = 101;
    char string_[kLongestString + 4 + 3 + 1] = "(";
    std::size_t stringLength_ = 1;
    bool stringEmboldened_ = false;
    std::string operator_; // the moves and rules being written
    bool colors_ = false;             // whether any colour was set, for the prolog
    bool emboldens_ = false;          // whether any string was
    std::vector<char> slantedKeys_;   // [key]: whether its slanted copy is used
    std::size_t lineLength_ = 0;
    std::vector<std::vector<int>> encodingKeys_; // [font][encoding number] -> key, -1 none
    std::vector<std::pair<int, int>> encodings_; // key -> font, encoding number
};

} // namespace print
