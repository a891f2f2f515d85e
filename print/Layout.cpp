#include "PageLayout.h"
#include "Document.h"

#include "platform/Utf8.h"

#include <fribidi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cli {

namespace {

constexpr int kTab = -1;
constexpr double kSlack = 0.001;

double Rounded(double value) { return static_cast<double>(std::lround(value * 100)) / 100; }

bool IsSpace(char32_t c) { return c == ' ' || c == 0x3000; }

// Characters that take no glyph of their own and go with the font of the
// character before them: default ignorables (joiners, bidi controls,
// variation selectors).
bool IsIgnorable(char32_t c) {
    return c == 0x00AD || c == 0x034F || c == 0x061C || (c >= 0x180B && c <= 0x180F) || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || (c >= 0xFE00 && c <= 0xFE0F) ||
           c == 0xFEFF || (c >= 0x1F3FB && c <= 0x1F3FF) || (c >= 0xE0000 && c <= 0xE0FFF);
}

bool IsWide(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFF01 && c <= 0xFF60) || (c >= 0x20000 && c <= 0x3FFFF);
}

// Characters a line should not start with, or end with.
bool NoLineStart(char32_t c) {
    static const std::u32string kClosing = U"、。，．：；？！）」』】〕〉》｝ーゝゞ々ぁぃぅぇぉっゃゅょァィゥェォッャュョ";
    return kClosing.find(c) != std::u32string::npos || c == ')' || c == ']' || c == '}' || c == ',' || c == '.';
}
bool NoLineEnd(char32_t c) {
    static const std::u32string kOpening = U"（「『【〔〈《｛";
    return kOpening.find(c) != std::u32string::npos;
}

} // namespace

PrintSetup PrintPaper(const std::string& paper, double fontSize, bool header) {
    PrintSetup setup{595, 842, 36, fontSize, fontSize * 1.2, header};
    if (paper == "letter") {
        setup.width = 612;
        setup.height = 792;
    }
    return setup;
}

TextPrinter::TextPrinter(const PrintSetup& setup, FontSet& fonts, OutputFile& body)
    : setup_(setup), fonts_(fonts), body_(body), unicode_(hb_unicode_funcs_get_default()) {
    double room = setup.height - 2 * setup.margin - setup.fontSize;
    linesPerPage_ = static_cast<std::size_t>(std::floor(room / setup.leading + kSlack)) + 1;
    if (setup.header)
        linesPerPage_ = linesPerPage_ > 3 ? linesPerPage_ - 2 : 1;
}

// PostScript lines stay under 255 bytes, as the conventions ask.
void TextPrinter::Write(const std::string& text) {
    if (lineLength_ > 0 && lineLength_ + text.size() > 200) {
        body_.Write("\n", 1);
        lineLength_ = 0;
    }
    body_.Write(text);
    lineLength_ += text.size();
}

void TextPrinter::FlushString() {
    if (string_.empty())
        return;
    string_.insert(0, 1, '(');
    string_ += ")S ";
    Write(string_);
    string_.clear();
}

void TextPrinter::SelectEncoding(int key) {
    if (key == encoding_)
        return;
    FlushString();
    Write("f" + std::to_string(key) + " ");
    encoding_ = key;
}

// Moves by whole hundredths of a point, and keeps where that puts the
// current point, so that rounding never adds up along a line.
void TextPrinter::MoveTo(double x, double y) {
    FlushString();
    double dx = Rounded(x - pointX_), dy = Rounded(y - pointY_);
    if (dy == 0)
        Write(Number(dx) + " R ");
    else
        Write(Number(dx) + " " + Number(dy) + " V ");
    pointX_ += dx;
    pointY_ += dy;
}

int TextPrinter::EncodingKey(int fontId, int encoding) {
    if (encodingKeys_.size() <= static_cast<std::size_t>(fontId))
        encodingKeys_.resize(static_cast<std::size_t>(fontId) + 1);
    std::vector<int>& keys = encodingKeys_[static_cast<std::size_t>(fontId)];
    if (keys.size() <= static_cast<std::size_t>(encoding))
        keys.resize(static_cast<std::size_t>(encoding) + 1, -1);
    int& key = keys[static_cast<std::size_t>(encoding)];
    if (key < 0) {
        key = static_cast<int>(encodings_.size());
        encodings_.emplace_back(fontId, encoding);
    }
    return key;
}

void TextPrinter::DrawGlyph(int fontId, const Layout& layout, const std::u32string& text, const Run& run,
                            std::size_t index, double x, double y) {
    PrintFont& font = fonts_.Font(fontId);
    const std::vector<ShapedGlyph>& glyphs = layout.glyphs;
    const ShapedGlyph& glyph = glyphs[index];
    int code = font.KnownCode(glyph.glyph);
    if (code < 0) {
        // A glyph alone in its cluster stands for the cluster's characters
        // (less joiners and controls), so that text comes back out.
        std::uint32_t cluster = glyph.cluster;
        bool alone = (index == run.firstGlyph || glyphs[index - 1].cluster != cluster) &&
                     (index + 1 == run.endGlyph || glyphs[index + 1].cluster != cluster);
        std::u32string stands;
        if (alone) {
            std::size_t end = index + 1 < run.endGlyph ? glyphs[index + 1].cluster : run.end;
            for (std::size_t i = cluster; i < end && i < text.size(); ++i)
                if (!IsIgnorable(text[i]) && text[i] >= 0x20)
                    stands += text[i];
        }
        code = font.CodeOf(glyph.glyph, stands.data(), stands.size());
    }
    SelectEncoding(EncodingKey(fontId, code >> 8));
    if (std::fabs(x - pointX_) > 0.005 || std::fabs(y - pointY_) > 0.005)
        MoveTo(x, y);
    if (string_.size() > 100)
        FlushString();
    unsigned char byte = static_cast<unsigned char>(code & 0xFF);
    if (byte == '(' || byte == ')' || byte == '\\') {
        string_ += '\\';
        string_ += static_cast<char>(byte);
    } else if (byte < 0x20 || byte == 0x7F) {
        char octal[8];
        std::snprintf(octal, sizeof octal, "\\%03o", byte);
        string_ += octal;
    } else {
        string_ += static_cast<char>(byte);
    }
    pointX_ += font.NaturalAdvance(glyph.glyph) * setup_.fontSize / font.UnitsPerEm();
}

void TextPrinter::MarkMissing(std::uint32_t codePoint, std::size_t line, std::size_t column) {
    auto found = missingIndex_.find(codePoint);
    if (found != missingIndex_.end()) {
        ++missing_[found->second].count;
        return;
    }
    missingIndex_[codePoint] = missing_.size();
    missing_.push_back({codePoint, fileName_, line, column, 1});
}

void TextPrinter::OpenPage() {
    ++pages_;
    ++filePage_;
    std::string number = std::to_string(pages_);
    body_.Write("%%Page: " + number + " " + number + "\nsave\n");
    lineLength_ = 0;
    pageOpen_ = true;
    lineOnPage_ = 0;
    encoding_ = -1;
    pageByFormFeed_ = false;
    if (setup_.header)
        DrawHeader();
}

void TextPrinter::ClosePage() {
    if (!pageOpen_)
        return;
    FlushString();
    body_.Write("\nrestore showpage\n");
    pageOpen_ = false;
}

double TextPrinter::NextBaseline() {
    if (pageOpen_ && lineOnPage_ >= linesPerPage_)
        ClosePage();
    if (!pageOpen_)
        OpenPage();
    double top = setup_.height - setup_.margin - setup_.fontSize;
    if (setup_.header)
        top -= 2 * setup_.leading;
    return top - static_cast<double>(lineOnPage_++) * setup_.leading;
}

void TextPrinter::BeginFile(const std::string& name, const std::string& date) {
    ClosePage();
    fileName_ = name;
    fileDate_ = date;
    filePage_ = 0;
    if (setup_.header) {
        // The page count is shown in the main font's digits.
        PrintFont& main = fonts_.Font(0);
        for (char32_t digit = '0'; digit <= '9'; ++digit) {
            hb_codepoint_t glyph = 0;
            hb_font_get_nominal_glyph(main.Hb(), digit, &glyph);
            main.CodeOf(glyph, &digit, 1);
        }
    }
}

void TextPrinter::EndFile() {
    if (!pageOpen_ && filePage_ == 0)
        OpenPage();
    ClosePage();
    filePages_.push_back(filePage_);
}

void TextPrinter::FormFeed() {
    if (pageOpen_ && (lineOnPage_ > 0 || pageByFormFeed_)) {
        ClosePage();
        OpenPage();
        pageByFormFeed_ = true;
    } else if (!pageOpen_) {
        OpenPage();
        pageByFormFeed_ = true;
    }
}

void TextPrinter::Itemize(Layout& layout, const std::u32string& text, std::size_t line, std::size_t column) {
    std::vector<int>& fontOf_ = layout.fontOf;
    std::vector<hb_script_t>& scriptOf_ = layout.scriptOf;
    std::vector<signed char>& levels_ = layout.levels;
    std::vector<Run>& runs_ = layout.runs;
    std::vector<ShapedGlyph>& glyphs_ = layout.glyphs;
    std::size_t n = text.size();
    fontOf_.resize(n);
    scriptOf_.resize(n);
    levels_.assign(n, 0);
    bool bidi = false;
    hb_script_t known = HB_SCRIPT_INVALID;
    for (std::size_t i = 0; i < n; ++i) {
        char32_t c = text[i];
        if (c == '\t') {
            fontOf_[i] = kTab;
            scriptOf_[i] = HB_SCRIPT_COMMON;
            continue;
        }
        bidi = bidi || c >= 0x0590;
        int id;
        if (c < 0x80) {
            id = fonts_.FontFor(c);
            scriptOf_[i] = (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? HB_SCRIPT_LATIN : HB_SCRIPT_COMMON;
        } else {
            scriptOf_[i] = hb_unicode_script(unicode_, c);
            bool follows = IsIgnorable(c);
            if (!follows && c >= 0x0300) {
                hb_unicode_general_category_t category = hb_unicode_general_category(unicode_, c);
                follows = category == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK ||
                          category == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
                          category == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK;
            }
            int before = i > 0 ? fontOf_[i - 1] : kTab;
            if (follows && before != kTab && (IsIgnorable(c) || fonts_.Font(before).HasGlyph(c)))
                id = before;
            else if (IsIgnorable(c))
                id = 0;
            else
                id = fonts_.FontFor(c);
        }
        if (id < 0) {
            if (line > 0)
                MarkMissing(c, line, column + i);
            id = 0;
        }
        fontOf_[i] = id;
        hb_script_t script = scriptOf_[i];
        if (script != HB_SCRIPT_COMMON && script != HB_SCRIPT_INHERITED && script != HB_SCRIPT_UNKNOWN)
            known = script;
        else if (known != HB_SCRIPT_INVALID)
            scriptOf_[i] = known;
        else
            scriptOf_[i] = HB_SCRIPT_INVALID;
    }
    // Characters before the first of a script take the script after them.
    hb_script_t next = HB_SCRIPT_LATIN;
    for (std::size_t i = n; i-- > 0;) {
        if (scriptOf_[i] == HB_SCRIPT_INVALID || scriptOf_[i] == HB_SCRIPT_COMMON)
            scriptOf_[i] = next;
        else
            next = scriptOf_[i];
    }
    layout.rightToLeft = false;
    if (bidi) {
        layout.bidiTypes.resize(n);
        layout.bracketTypes.resize(n);
        const FriBidiChar* chars = reinterpret_cast<const FriBidiChar*>(text.data());
        fribidi_get_bidi_types(chars, static_cast<FriBidiStrIndex>(n), layout.bidiTypes.data());
        fribidi_get_bracket_types(chars, static_cast<FriBidiStrIndex>(n), layout.bidiTypes.data(), layout.bracketTypes.data());
        FriBidiParType direction = FRIBIDI_PAR_ON;
        if (fribidi_get_par_embedding_levels_ex(layout.bidiTypes.data(), layout.bracketTypes.data(),
                                                static_cast<FriBidiStrIndex>(n), &direction, levels_.data()) == 0)
            levels_.assign(n, 0);
        else
            layout.rightToLeft = FRIBIDI_IS_RTL(direction);
    }
    runs_.clear();
    glyphs_.clear();
    for (std::size_t start = 0; start < n;) {
        std::size_t end = start + 1;
        if (fontOf_[start] != kTab)
            while (end < n && fontOf_[end] == fontOf_[start] && scriptOf_[end] == scriptOf_[start] &&
                   levels_[end] == levels_[start])
                ++end;
        Run run{start, end, fontOf_[start], scriptOf_[start], levels_[start], glyphs_.size(), 0};
        if (run.font != kTab)
            shaper_.Shape(run.font, fonts_.Font(run.font), text, start, end, run.script, (run.level & 1) != 0, glyphs_);
        run.endGlyph = glyphs_.size();
        runs_.push_back(run);
        start = end;
    }
    layout.advance.assign(n, 0);
    layout.clusterStart.assign(n, 0);
    for (const Run& run : runs_) {
        if (run.font == kTab) {
            layout.clusterStart[run.start] = 1;
            continue;
        }
        PrintFont& font = fonts_.Font(run.font);
        double scale = setup_.fontSize / font.UnitsPerEm();
        for (std::size_t g = run.firstGlyph; g < run.endGlyph; ++g) {
            std::size_t cluster = std::min<std::size_t>(glyphs_[g].cluster, n - 1);
            layout.advance[cluster] += glyphs_[g].advance * scale;
            layout.clusterStart[cluster] = 1;
        }
    }
}

void TextPrinter::Paragraph(const std::u32string& text, std::size_t line, std::size_t column) {
    if (text.empty()) {
        NextBaseline();
        return;
    }
    Itemize(paragraph_, text, line, column);
    BreakLines(paragraph_, text);
}

void TextPrinter::BreakLines(Layout& layout, const std::u32string& text) {
    std::size_t n = text.size();
    std::vector<double>& advance = layout.advance;
    const std::vector<char>& clusterStart = layout.clusterStart;
    double room = setup_.width - 2 * setup_.margin;
    PrintFont& main = fonts_.Font(0);
    hb_codepoint_t space = 0;
    hb_font_get_nominal_glyph(main.Hb(), ' ', &space);
    double tab = 8 * main.NaturalAdvance(space) * setup_.fontSize / main.UnitsPerEm();
    if (tab <= 0)
        tab = 4 * setup_.fontSize;
    std::size_t lineStart = 0, lastBreak = 0;
    double x = 0;
    for (std::size_t j = 0; j < n; ++j) {
        char32_t c = text[j];
        if (j > lineStart && clusterStart[j]) {
            char32_t before = text[j - 1];
            bool afterSpace = (IsSpace(before) || before == '\t') && !IsSpace(c) && c != '\t';
            bool wide = (IsWide(before) || IsWide(c)) && !IsSpace(c) && !NoLineStart(c) && !NoLineEnd(before);
            if (afterSpace || wide)
                lastBreak = j;
        }
        double width = advance[j];
        if (c == '\t')
            width = advance[j] = (std::floor(x / tab + kSlack) + 1) * tab - x;
        if (IsSpace(c) || c == '\t' || !clusterStart[j] || j == lineStart || x + width <= room + kSlack) {
            x += width;
            continue;
        }
        std::size_t breakAt = lastBreak > lineStart ? lastBreak : j;
        EmitLine(layout, text, lineStart, breakAt);
        lineStart = lastBreak = breakAt;
        x = 0;
        j = breakAt - 1;
    }
    EmitLine(layout, text, lineStart, n);
}

double TextPrinter::Width(const Layout& layout, std::size_t start, std::size_t end) const {
    double width = 0;
    for (std::size_t i = start; i < end; ++i)
        width += layout.advance[i];
    return width;
}

void TextPrinter::StartAt(double x, double y) {
    FlushString();
    if (lineLength_ > 0) {
        body_.Write("\n", 1);
        lineLength_ = 0;
    }
    pointX_ = Rounded(x);
    pointY_ = Rounded(y);
    Write(Number(x) + " " + Number(y) + " M ");
}

void TextPrinter::EmitLine(Layout& layout, const std::u32string& text, std::size_t start, std::size_t end) {
    double y = NextBaseline();
    while (end > start && (IsSpace(text[end - 1]) || text[end - 1] == '\t'))
        --end;
    if (end == start)
        return;
    double width = Width(layout, start, end);
    double x = layout.rightToLeft ? setup_.width - setup_.margin - width : setup_.margin;
    StartAt(x, y);
    Place(layout, text, start, end, x, y);
}

void TextPrinter::Place(Layout& layout, const std::u32string& text, std::size_t start, std::size_t end, double x,
                        double y) {
    std::vector<Segment>& segments = layout.segments;
    segments.clear();
    int highest = 0, lowestOdd = 127;
    for (const Run& run : layout.runs) {
        std::size_t from = std::max(run.start, start), to = std::min(run.end, end);
        if (from >= to)
            continue;
        segments.push_back({from, to, &run});
        highest = std::max(highest, run.level);
        if (run.level & 1)
            lowestOdd = std::min(lowestOdd, run.level);
    }
    // Runs in visual order: each sequence at a level or above reversed,
    // from the highest level down to the lowest odd one.
    for (int level = highest; level >= lowestOdd && level > 0; --level) {
        for (std::size_t i = 0; i < segments.size();) {
            if (segments[i].run->level < level) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < segments.size() && segments[j].run->level >= level)
                ++j;
            std::reverse(segments.begin() + static_cast<std::ptrdiff_t>(i),
                         segments.begin() + static_cast<std::ptrdiff_t>(j));
            i = j;
        }
    }
    const std::vector<ShapedGlyph>& glyphs = layout.glyphs;
    for (const Segment& segment : segments) {
        const Run& run = *segment.run;
        if (run.font == kTab) {
            x += Width(layout, segment.start, segment.end);
            continue;
        }
        PrintFont& font = fonts_.Font(run.font);
        double scale = setup_.fontSize / font.UnitsPerEm();
        // The glyphs of the segment's characters: a stretch of the run's.
        std::size_t first = run.firstGlyph, last = run.endGlyph;
        while (first < last && glyphs[first].cluster < segment.start)
            ++first;
        std::size_t stop = first;
        while (stop < last && glyphs[stop].cluster < segment.end)
            ++stop;
        bool reversed = (run.level & 1) != 0;
        for (std::size_t k = 0; k < stop - first; ++k) {
            std::size_t g = reversed ? stop - 1 - k : first + k;
            const ShapedGlyph& glyph = glyphs[g];
            DrawGlyph(run.font, layout, text, run, g, x + glyph.xOffset * scale, y + glyph.yOffset * scale);
            x += glyph.advance * scale;
        }
    }
}

namespace {

std::u32string DecodeForHeader(const std::string& text) {
    std::u32string decoded;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        platform::Utf8Step step = platform::DecodeUtf8(bytes + at, text.size() - at);
        decoded += step.valid && step.codePoint >= 0x20 ? static_cast<char32_t>(step.codePoint) : U'?';
        at += step.length;
    }
    return decoded;
}

} // namespace

void TextPrinter::DrawHeader() {
    double y = setup_.height - setup_.margin - setup_.fontSize;
    std::u32string name = DecodeForHeader(fileName_);
    Itemize(header_, name, 0, 0);
    StartAt(setup_.margin, y);
    Place(header_, name, 0, name.size(), setup_.margin, y);
    std::u32string date = DecodeForHeader(fileDate_);
    Itemize(header_, date, 0, 0);
    double x = (setup_.width - Width(header_, 0, date.size())) / 2;
    StartAt(x, y);
    Place(header_, date, 0, date.size(), x, y);
    // "Page N of M", set from the right margin: M, unknown until the file
    // ends, is the string P<file> that the setup defines in the main font.
    std::u32string page = DecodeForHeader("Page " + std::to_string(filePage_) + " of ");
    Itemize(header_, page, 0, 0);
    int digits = EncodingKey(0, 0);
    SelectEncoding(digits);
    FlushString();
    Write(Number(Width(header_, 0, page.size())) + " " + Number(y) + " P" + std::to_string(filePages_.size()) + " H ");
    pointX_ = pointY_ = 0;
    Place(header_, page, 0, page.size(), 0, 0);
    SelectEncoding(digits);
    FlushString();
    Write("P" + std::to_string(filePages_.size()) + " S ");
}

} // namespace cli
