#include "Layout.h"

#include "t42/Utf8.h"

#include <fribidi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace print {

namespace {

constexpr int kTab = -1;
constexpr double kSlack = 0.001;

bool IsSpace(char32_t c) { return c == ' ' || c == 0x3000; }

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

PageLayout::PageLayout(const PageModel& model, FontSet& fonts, PageWriter& writer)
    : model_(model), fonts_(fonts), writer_(writer), unicode_(hb_unicode_funcs_get_default()) {
    double room = model.Height() - model.marginTop - model.marginBottom - model.fontSize;
    linesPerPage_ = static_cast<std::size_t>(std::floor(room / model.leading + kSlack)) + 1;
    if (model.header)
        linesPerPage_ = linesPerPage_ > 3 ? linesPerPage_ - 2 : 1;
}

void PageLayout::MarkMissing(std::uint32_t codePoint, std::size_t line, std::size_t column) {
    auto found = missingIndex_.find(codePoint);
    if (found != missingIndex_.end()) {
        ++missing_[found->second].count;
        return;
    }
    missingIndex_[codePoint] = missing_.size();
    missing_.push_back({codePoint, fileName_, line, column, 1});
}

void PageLayout::OpenPage() {
    ++pages_;
    ++filePage_;
    page_.file = files_ - 1;
    page_.numberInFile = filePage_;
    page_.header.clear();
    page_.hasCount = false;
    page_.count.runs.clear();
    page_.lines.clear();
    pageOpen_ = true;
    lineOnPage_ = 0;
    pageByFormFeed_ = false;
    if (model_.header)
        DrawHeader();
}

void PageLayout::ClosePage() {
    if (!pageOpen_)
        return;
    writer_.WritePage(page_);
    pageOpen_ = false;
}

double PageLayout::NextBaseline() {
    if (pageOpen_ && lineOnPage_ >= linesPerPage_)
        ClosePage();
    if (!pageOpen_)
        OpenPage();
    double top = model_.Height() - model_.marginTop - model_.fontSize;
    if (model_.header)
        top -= 2 * model_.leading;
    return top - static_cast<double>(lineOnPage_++) * model_.leading;
}

void PageLayout::BeginFile(const std::string& name, const std::string& date) {
    ClosePage();
    fileName_ = name;
    fileDate_ = date;
    filePage_ = 0;
    ++files_;
    writer_.BeginFile(FileInfo{name, date});
}

void PageLayout::EndFile() {
    ClosePage();
    writer_.EndFile(filePage_);
}

void PageLayout::FormFeed() {
    if (pageOpen_ && (lineOnPage_ > 0 || pageByFormFeed_)) {
        ClosePage();
        OpenPage();
        pageByFormFeed_ = true;
    } else if (!pageOpen_) {
        OpenPage();
        pageByFormFeed_ = true;
    }
}

void PageLayout::ApplyStyles(Layout& layout, const std::u32string& text, const std::vector<StyleSpan>& spans) {
    layout.styles.clear();
    layout.styleOf.clear();
    layout.drawnOf.clear();
    if (std::all_of(spans.begin(), spans.end(), [](const StyleSpan& span) { return span.style.Plain(); }))
        return;
    std::size_t n = text.size();
    layout.styles.push_back(TextStyle());
    layout.styleOf.assign(n, 0);
    layout.drawnOf.assign(n, 0);
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const TextStyle& style = spans[k].style;
        std::size_t start = std::min(spans[k].start, n);
        std::size_t end = k + 1 < spans.size() ? std::min(std::max(spans[k + 1].start, start), n) : n;
        auto known = std::find(layout.styles.begin(), layout.styles.end(), style);
        auto index = static_cast<std::uint32_t>(known - layout.styles.begin());
        if (known == layout.styles.end())
            layout.styles.push_back(style);
        for (std::size_t i = start; i < end; ++i) {
            layout.styleOf[i] = index;
            int regular = layout.fontOf[i];
            if (regular == kTab || (!style.bold && !style.italic))
                continue;
            // A character the styled face lacks is drawn from the regular
            // face, emboldened and slanted as asked.
            StyledFace face = fonts_.Styled(regular, style.bold, style.italic);
            if (face.font != regular && !IsDefaultIgnorable(text[i]) && !fonts_.Font(face.font).HasGlyph(text[i]))
                face = {regular, style.bold, style.italic};
            layout.fontOf[i] = face.font;
            layout.drawnOf[i] = static_cast<unsigned char>((face.emboldened ? kEmboldened : 0) |
                                                           (face.slanted ? kSlanted : 0));
        }
    }
}

void PageLayout::Itemize(Layout& layout, const std::u32string& text, std::size_t line, std::size_t column,
                         const std::vector<StyleSpan>& styles) {
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
            bool follows = IsDefaultIgnorable(c);
            if (!follows && c >= 0x0300) {
                hb_unicode_general_category_t category = hb_unicode_general_category(unicode_, c);
                follows = category == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK ||
                          category == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
                          category == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK;
            }
            int before = i > 0 ? fontOf_[i - 1] : kTab;
            if (follows && before != kTab && (IsDefaultIgnorable(c) || fonts_.Font(before).HasGlyph(c)))
                id = before;
            else if (IsDefaultIgnorable(c))
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
    ApplyStyles(layout, text, styles);
    const std::vector<std::uint32_t>& styleOf = layout.styleOf;
    const std::vector<unsigned char>& drawnOf = layout.drawnOf;
    bool styled = !styleOf.empty();
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
                   levels_[end] == levels_[start] &&
                   (!styled || (styleOf[end] == styleOf[start] && drawnOf[end] == drawnOf[start])))
                ++end;
        Run run{start, end, fontOf_[start], scriptOf_[start], levels_[start], glyphs_.size(), 0,
                styled ? styleOf[start] : 0, styled ? drawnOf[start] : static_cast<unsigned char>(0)};
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
        double scale = model_.fontSize / font.UnitsPerEm();
        for (std::size_t g = run.firstGlyph; g < run.endGlyph; ++g) {
            std::size_t cluster = std::min<std::size_t>(glyphs_[g].cluster, n - 1);
            layout.advance[cluster] += glyphs_[g].advance * scale;
            layout.clusterStart[cluster] = 1;
        }
    }
}

void PageLayout::Paragraph(const std::u32string& text, std::size_t line, std::size_t column,
                           const std::vector<StyleSpan>& styles) {
    if (text.empty()) {
        NextBaseline();
        return;
    }
    Itemize(paragraph_, text, line, column, styles);
    BreakLines(paragraph_, text);
}

void PageLayout::BreakLines(Layout& layout, const std::u32string& text) {
    std::size_t n = text.size();
    std::vector<double>& advance = layout.advance;
    const std::vector<char>& clusterStart = layout.clusterStart;
    double room = model_.Width() - model_.marginLeft - model_.marginRight;
    PrintFont& main = fonts_.Font(0);
    hb_codepoint_t space = 0;
    hb_font_get_nominal_glyph(main.Hb(), ' ', &space);
    double tab = 8 * main.NaturalAdvance(space) * model_.fontSize / main.UnitsPerEm();
    if (tab <= 0)
        tab = 4 * model_.fontSize;
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

double PageLayout::Width(const Layout& layout, std::size_t start, std::size_t end) const {
    double width = 0;
    for (std::size_t i = start; i < end; ++i)
        width += layout.advance[i];
    return width;
}

void PageLayout::EmitLine(Layout& layout, const std::u32string& text, std::size_t start, std::size_t end) {
    double y = NextBaseline();
    while (end > start && (IsSpace(text[end - 1]) || text[end - 1] == '\t'))
        --end;
    if (end == start)
        return;
    double width = Width(layout, start, end);
    double x = layout.rightToLeft ? model_.Width() - model_.marginRight - width : model_.marginLeft;
    page_.lines.push_back(Line{x, y, {}, {}});
    Place(layout, text, start, end, x, y, page_.lines.back().runs, &page_.lines.back().rules);
}

void PageLayout::Place(Layout& layout, const std::u32string& text, std::size_t start, std::size_t end, double x,
                       double y, std::vector<GlyphRun>& runs, std::vector<Rule>* rules) {
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
        // The glyphs of the segment's characters: a stretch of the run's.
        std::size_t first = run.firstGlyph, last = run.endGlyph;
        while (first < last && glyphs[first].cluster < segment.start)
            ++first;
        std::size_t stop = first;
        while (stop < last && glyphs[stop].cluster < segment.end)
            ++stop;
        if (first >= stop)
            continue;
        double from = x;
        runs.push_back(MakeRun(layout, text, run, first, stop, x, y));
        if (rules && !layout.styles.empty() && layout.styles[run.style].underline)
            Underline(runs.back(), from, x, y, *rules);
    }
}

// A rule under a run on baseline `y` from `from` to `to`, where the main
// font puts underlines, so that a line's underlines line up whatever fonts
// draw it; it continues the rule before it when that ends where it starts.
void PageLayout::Underline(const GlyphRun& run, double from, double to, double y, std::vector<Rule>& rules) {
    PrintFont& font = fonts_.Font(0);
    double scale = run.size / font.UnitsPerEm();
    double thickness = font.UnderlineThickness() * scale;
    Rule rule{from, y + font.UnderlinePosition() * scale - thickness, to - from, thickness,
              run.color};
    if (!rules.empty()) {
        Rule& last = rules.back();
        if (std::fabs(last.x + last.width - rule.x) < kSlack && last.y == rule.y && last.height == rule.height &&
            last.color == rule.color) {
            last.width += rule.width;
            return;
        }
    }
    rules.push_back(rule);
}

// The glyphs layout.glyphs[first, stop) of `run` placed from `x`, which
// moves past them. A cluster's text runs from its first character to the
// next cluster's in the run (or the run's end).
GlyphRun PageLayout::MakeRun(const Layout& layout, const std::u32string& text, const Run& run, std::size_t first,
                             std::size_t stop, double& x, double y) {
    const std::vector<ShapedGlyph>& glyphs = layout.glyphs;
    PrintFont& font = fonts_.Font(run.font);
    double scale = model_.fontSize / font.UnitsPerEm();
    bool reversed = (run.level & 1) != 0;
    GlyphRun out{run.font, model_.fontSize, reversed, {}, {}};
    if (!layout.styles.empty()) {
        out.color = layout.styles[run.style].color;
        out.emboldened = (run.drawn & kEmboldened) != 0;
        out.slanted = (run.drawn & kSlanted) != 0;
    }
    out.glyphs.reserve(stop - first);
    for (std::size_t k = 0; k < stop - first; ++k) {
        std::size_t g = reversed ? stop - 1 - k : first + k;
        const ShapedGlyph& glyph = glyphs[g];
        out.glyphs.push_back({glyph.glyph, x + glyph.xOffset * scale, y + glyph.yOffset * scale});
        x += glyph.advance * scale;
    }
    // Clusters in logical order, then in drawing order.
    for (std::size_t g = first; g < stop;) {
        std::size_t next = g + 1;
        while (next < stop && glyphs[next].cluster == glyphs[g].cluster)
            ++next;
        std::size_t from = glyphs[g].cluster;
        std::size_t to = next < run.endGlyph ? glyphs[next].cluster : run.end;
        to = std::min(std::max(to, from), text.size());
        auto drawn = static_cast<std::uint32_t>(reversed ? stop - next : g - first);
        out.clusters.push_back({drawn, static_cast<std::uint32_t>(next - g), text.substr(from, to - from)});
        g = next;
    }
    if (reversed)
        std::reverse(out.clusters.begin(), out.clusters.end());
    return out;
}

namespace {

std::u32string DecodeForHeader(const std::string& text) {
    std::u32string decoded;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        t42::Utf8Step step = t42::DecodeUtf8(bytes + at, text.size() - at);
        decoded += step.valid && step.codePoint >= 0x20 ? static_cast<char32_t>(step.codePoint) : U'?';
        at += step.length;
    }
    return decoded;
}

} // namespace

Line PageLayout::HeaderLine(const std::u32string& text, double x, double y) {
    Line line{x, y, {}, {}};
    Itemize(header_, text, 0, 0);
    Place(header_, text, 0, text.size(), x, y, line.runs);
    return line;
}

// The file name on the left, the date in the middle and "Page N of M" set
// from the right margin.
void PageLayout::DrawHeader() {
    double y = model_.Height() - model_.marginTop - model_.fontSize;
    page_.header.push_back(HeaderLine(DecodeForHeader(fileName_), model_.marginLeft, y));
    std::u32string date = DecodeForHeader(fileDate_);
    Itemize(header_, date, 0, 0);
    double x = (model_.Width() - Width(header_, 0, date.size())) / 2;
    page_.header.push_back(HeaderLine(date, x, y));
    std::u32string label = DecodeForHeader("Page " + std::to_string(filePage_) + " of ");
    Itemize(header_, label, 0, 0);
    page_.hasCount = true;
    page_.count.right = model_.Width() - model_.marginRight;
    page_.count.y = y;
    page_.count.width = Width(header_, 0, label.size());
    Place(header_, label, 0, label.size(), 0, 0, page_.count.runs);
}

} // namespace print
