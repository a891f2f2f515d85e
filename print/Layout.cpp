#include "Layout.h"

#include "platform/Utf8.h"

#include <fribidi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace print {

namespace {

constexpr int kTab = -1;
constexpr double kSlack = 0.001;

// Spaces that hang past the right edge rather than wrap.
bool IsSpace(char32_t c) { return c == ' ' || c == 0x3000 || c == '\t'; }

// Room for "Page N of M" keeps this many digits for M, at least.
constexpr std::size_t kCountDigits = 4;
// A line number's room: its digits and a space.
constexpr int kNumberDigits = 5;

std::u32string Ascii(const std::string& text) { return std::u32string(text.begin(), text.end()); }

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

PageLayout::PageLayout(const PageModel& model, FontSet& fonts, PageWriter& writer)
    : model_(model), fonts_(fonts), writer_(writer), unicode_(hb_unicode_funcs_get_default()) {
    model_.columns = std::max(1, model.columns);
    double room = model.Height() - model.marginTop - model.marginBottom - model.fontSize;
    linesPerColumn_ = static_cast<std::size_t>(std::floor(room / model.leading + kSlack)) + 1;
    if (model.header)
        linesPerColumn_ = linesPerColumn_ > 3 ? linesPerColumn_ - 2 : 1;
    double across = model.Width() - model.marginLeft - model.marginRight;
    columnWidth_ = (across - (model_.columns - 1) * model.gutter) / model_.columns;
    numberWidth_ = model.lineNumbers ? (kNumberDigits + 1) * DigitWidth() : 0;
}

// The advance of the main font's digits, at the type size.
double PageLayout::DigitWidth() {
    PrintFont& main = fonts_.Font(0);
    return main.NaturalAdvance(main.NominalGlyph('0')) * model_.fontSize / main.UnitsPerEm();
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
    Recycle(page_.header);
    page_.hasCount = false;
    Recycle(page_.count.runs);
    Recycle(page_.lines);
    page_.rules.clear();
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

// The runs of the page written last are kept, their storage reused for the
// next page's: pages are alike, and most of their runs' vectors then need
// no allocation.
void PageLayout::Recycle(std::vector<GlyphRun>& runs) {
    for (GlyphRun& run : runs)
        spareRuns_.push_back(std::move(run));
    runs.clear();
}

void PageLayout::Recycle(std::vector<Line>& lines) {
    for (Line& line : lines) {
        Recycle(line.runs);
        spareRunLists_.push_back(std::move(line.runs));
    }
    lines.clear();
}

Line& PageLayout::NewLine(std::vector<Line>& lines, double x, double y) {
    lines.push_back(Line{x, y, {}, {}});
    if (!spareRunLists_.empty()) {
        lines.back().runs = std::move(spareRunLists_.back());
        spareRunLists_.pop_back();
    }
    return lines.back();
}

GlyphRun& PageLayout::NewRun(std::vector<GlyphRun>& runs) {
    if (spareRuns_.empty()) {
        runs.emplace_back();
    } else {
        runs.push_back(std::move(spareRuns_.back()));
        spareRuns_.pop_back();
    }
    return runs.back();
}

// The next line's place: down the column, then at the top of the next
// column or page.
PageLayout::Slot PageLayout::NextSlot() {
    auto columns = static_cast<std::size_t>(model_.columns);
    if (pageOpen_ && lineOnPage_ >= linesPerColumn_ * columns)
        ClosePage();
    if (!pageOpen_)
        OpenPage();
    double top = model_.Height() - model_.marginTop - model_.fontSize;
    if (model_.header)
        top -= 2 * model_.leading;
    std::size_t column = lineOnPage_ / linesPerColumn_, row = lineOnPage_ % linesPerColumn_;
    ++lineOnPage_;
    double left = model_.marginLeft + static_cast<double>(column) * (columnWidth_ + model_.gutter);
    double right = column + 1 == columns ? model_.Width() - model_.marginRight : left + columnWidth_;
    return Slot{left + numberWidth_, right, top - static_cast<double>(row) * model_.leading};
}

// A page with nothing on it, so that the next file starts on a new sheet.
void PageLayout::BlankPage() {
    Page blank;
    blank.file = files_ - 1;
    blank.numberInFile = 0;
    ++pages_;
    writer_.WritePage(blank);
}

void PageLayout::BeginFile(const std::string& name, const std::string& date) {
    ClosePage();
    if (model_.duplex != Duplex::none && files_ > 0 && filePage_ % 2 == 1)
        BlankPage();
    fileName_ = name;
    fileDate_ = date;
    name_ = DecodeForHeader(model_.title.empty() ? name : model_.title);
    fittedRoom_ = -1;
    cutLine_ = 0;
    filePage_ = 0;
    ++files_;
    writer_.BeginFile(FileInfo{name, date});
}

void PageLayout::EndFile() {
    ClosePage();
    writer_.EndFile(filePage_);
}

void PageLayout::FormFeed() {
    cutLine_ = 0;
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

namespace {

// The script of each ASCII character as the layout sees it: Latin letters,
// and the rest common to all scripts.
struct AsciiScripts {
    hb_script_t of[0x80];
    AsciiScripts() {
        for (char32_t c = 0; c < 0x80; ++c)
            of[c] = (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? HB_SCRIPT_LATIN : HB_SCRIPT_COMMON;
    }
};
const AsciiScripts kAsciiScripts;

} // namespace

// Whether the text is all printable ASCII, plain, and drawn by the main
// font: then it is one run of Latin script, left to right.
bool PageLayout::IsPlainAscii(const std::u32string& text, const std::vector<StyleSpan>& styles) {
    if (text.empty() ||
        !std::all_of(styles.begin(), styles.end(), [](const StyleSpan& span) { return span.style.Plain(); }))
        return false;
    for (char32_t c : text)
        if (c < 0x20 || c > 0x7E || fonts_.FontFor(c) != 0)
            return false;
    return true;
}

void PageLayout::Itemize(Layout& layout, const std::u32string& text, std::size_t line, std::size_t column,
                         const std::vector<StyleSpan>& styles) {
    if (IsPlainAscii(text, styles)) {
        layout.styles.clear();
        layout.styleOf.clear();
        layout.drawnOf.clear();
        layout.rightToLeft = false;
        layout.runs.clear();
        layout.glyphs.clear();
        shaper_.Shape(0, fonts_.Font(0), text, 0, text.size(), HB_SCRIPT_LATIN, false, layout.glyphs);
        layout.runs.push_back({0, text.size(), 0, HB_SCRIPT_LATIN, 0, 0, layout.glyphs.size(), 0, 0});
        MeasureClusters(layout, text.size());
        return;
    }
    std::size_t n = text.size();
    layout.fontOf.resize(n);
    layout.scriptOf.resize(n);
    layout.levels.assign(n, 0);
    int* fontOf = layout.fontOf.data();
    hb_script_t* scriptOf = layout.scriptOf.data();
    bool bidi = false, tabs = false;
    hb_script_t known = HB_SCRIPT_INVALID;
    std::size_t firstKnown = n;
    for (std::size_t i = 0; i < n; ++i) {
        char32_t c = text[i];
        if (c == '\t') {
            fontOf[i] = kTab;
            scriptOf[i] = HB_SCRIPT_COMMON;
            tabs = true;
            continue;
        }
        int id;
        hb_script_t script;
        if (c < 0x80) {
            id = fonts_.FontFor(c);
            script = kAsciiScripts.of[c];
        } else {
            bidi = bidi || c >= 0x0590;
            script = hb_unicode_script(unicode_, c);
            bool follows = IsDefaultIgnorable(c);
            if (!follows && c >= 0x0300) {
                hb_unicode_general_category_t category = hb_unicode_general_category(unicode_, c);
                follows = category == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK ||
                          category == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
                          category == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK;
            }
            int before = i > 0 ? fontOf[i - 1] : kTab;
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
        fontOf[i] = id;
        // Characters common to scripts take the script before them.
        if (script != HB_SCRIPT_COMMON && script != HB_SCRIPT_INHERITED && script != HB_SCRIPT_UNKNOWN) {
            known = script;
            firstKnown = std::min(firstKnown, i);
        }
        scriptOf[i] = known;
    }
    // Characters before the first of a script take the script after them
    // (Latin when there is none), and so do tabs.
    if (tabs) {
        hb_script_t next = HB_SCRIPT_LATIN;
        for (std::size_t i = n; i-- > 0;) {
            if (scriptOf[i] == HB_SCRIPT_INVALID || scriptOf[i] == HB_SCRIPT_COMMON)
                scriptOf[i] = next;
            else
                next = scriptOf[i];
        }
    } else {
        std::fill(scriptOf, scriptOf + firstKnown, firstKnown < n ? scriptOf[firstKnown] : HB_SCRIPT_LATIN);
    }
    ApplyStyles(layout, text, styles);
    const std::vector<std::uint32_t>& styleOf = layout.styleOf;
    const std::vector<unsigned char>& drawnOf = layout.drawnOf;
    bool styled = !styleOf.empty();
    signed char* levels = layout.levels.data();
    layout.rightToLeft = false;
    if (bidi) {
        layout.bidiTypes.resize(n);
        layout.bracketTypes.resize(n);
        const FriBidiChar* chars = reinterpret_cast<const FriBidiChar*>(text.data());
        fribidi_get_bidi_types(chars, static_cast<FriBidiStrIndex>(n), layout.bidiTypes.data());
        fribidi_get_bracket_types(chars, static_cast<FriBidiStrIndex>(n), layout.bidiTypes.data(), layout.bracketTypes.data());
        FriBidiParType direction = FRIBIDI_PAR_ON;
        if (fribidi_get_par_embedding_levels_ex(layout.bidiTypes.data(), layout.bracketTypes.data(),
                                                static_cast<FriBidiStrIndex>(n), &direction, levels) == 0)
            layout.levels.assign(n, 0);
        else
            layout.rightToLeft = FRIBIDI_IS_RTL(direction);
    }
    // Runs of one font, script, bidi level and style, each shaped.
    auto sameRun = [&](std::size_t a, std::size_t b) {
        return fontOf[a] == fontOf[b] && scriptOf[a] == scriptOf[b] && levels[a] == levels[b] &&
               (!styled || (styleOf[a] == styleOf[b] && drawnOf[a] == drawnOf[b]));
    };
    std::vector<Run>& runs = layout.runs;
    std::vector<ShapedGlyph>& glyphs = layout.glyphs;
    runs.clear();
    glyphs.clear();
    for (std::size_t start = 0; start < n;) {
        std::size_t end = start + 1;
        if (fontOf[start] != kTab)
            while (end < n && sameRun(end, start))
                ++end;
        Run run{start, end, fontOf[start], scriptOf[start], levels[start], glyphs.size(), 0,
                styled ? styleOf[start] : 0, styled ? drawnOf[start] : static_cast<unsigned char>(0)};
        if (run.font != kTab)
            shaper_.Shape(run.font, fonts_.Font(run.font), text, start, end, run.script, (run.level & 1) != 0, glyphs);
        run.endGlyph = glyphs.size();
        runs.push_back(run);
        start = end;
    }
    MeasureClusters(layout, n);
}

// Each character's advance (that of the glyphs of the cluster it starts)
// and whether it starts one.
void PageLayout::MeasureClusters(Layout& layout, std::size_t n) {
    const std::vector<ShapedGlyph>& glyphs = layout.glyphs;
    layout.advance.assign(n, 0);
    layout.clusterStart.assign(n, 0);
    double* advance = layout.advance.data();
    char* clusterStart = layout.clusterStart.data();
    for (const Run& run : layout.runs) {
        if (run.font == kTab) {
            clusterStart[run.start] = 1;
            continue;
        }
        PrintFont& font = fonts_.Font(run.font);
        double scale = model_.fontSize / font.UnitsPerEm();
        for (std::size_t g = run.firstGlyph; g < run.endGlyph; ++g) {
            std::size_t cluster = std::min<std::size_t>(glyphs[g].cluster, n - 1);
            advance[cluster] += glyphs[g].advance * scale;
            clusterStart[cluster] = 1;
        }
    }
}

void PageLayout::Paragraph(const std::u32string& text, std::size_t line, std::size_t column,
                           const std::vector<StyleSpan>& styles) {
    // A piece of an input line that was cut at the right edge.
    if (model_.truncate && column > 1 && line == cutLine_)
        return;
    std::size_t number = model_.lineNumbers && column == 1 ? line : 0;
    if (text.empty()) {
        Slot slot = NextSlot();
        if (number)
            DrawLineNumber(number, slot);
        return;
    }
    Itemize(paragraph_, text, line, column, styles);
    if (BreakLines(paragraph_, text, number))
        cutLine_ = line;
}

bool PageLayout::BreakLines(Layout& layout, const std::u32string& text, std::size_t number) {
    std::size_t n = text.size();
    std::vector<double>& advance = layout.advance;
    const std::vector<char>& clusterStart = layout.clusterStart;
    double room = columnWidth_ - numberWidth_;
    PrintFont& main = fonts_.Font(0);
    hb_codepoint_t space = 0;
    hb_font_get_nominal_glyph(main.Hb(), ' ', &space);
    double tab = model_.tabWidth * main.NaturalAdvance(space) * model_.fontSize / main.UnitsPerEm();
    if (tab <= 0)
        tab = 4 * model_.fontSize;
    breaks_.SetParagraph(text);
    std::size_t lineStart = 0;
    double x = 0;
    for (std::size_t j = 0; j < n; ++j) {
        char32_t c = text[j];
        double width = advance[j];
        if (c == '\t')
            width = advance[j] = (std::floor(x / tab + kSlack) + 1) * tab - x;
        if (IsSpace(c) || !clusterStart[j] || j == lineStart || x + width <= room + kSlack) {
            x += width;
            continue;
        }
        if (model_.truncate) {
            EmitLine(layout, text, lineStart, j, number, LineEnd::cut);
            return true;
        }
        std::size_t breakAt = BreakBefore(layout, lineStart, j);
        if (breakAt >= n)
            break;
        EmitLine(layout, text, lineStart, breakAt, number, LineEnd::wrapped);
        number = 0;
        lineStart = breakAt;
        x = 0;
        j = breakAt - 1;
    }
    EmitLine(layout, text, lineStart, n, number, LineEnd::last);
    return false;
}

// The last line break opportunity in the line; in a word longer than the
// line, the last boundary between grapheme clusters; in a cluster wider
// than the line, its end. Only where a shaped cluster starts.
std::size_t PageLayout::BreakBefore(const Layout& layout, std::size_t lineStart, std::size_t overflow) {
    const std::vector<char>& starts = layout.clusterStart;
    constexpr std::size_t none = LineBreaks::npos;
    for (std::size_t at = breaks_.LastBreak(lineStart, overflow); at != none; at = breaks_.LastBreak(lineStart, at - 1))
        if (starts[at])
            return at;
    for (std::size_t at = breaks_.LastGraphemeBoundary(lineStart, overflow); at != none;
         at = breaks_.LastGraphemeBoundary(lineStart, at - 1))
        if (starts[at])
            return at;
    std::size_t at = breaks_.NextGraphemeBoundary(lineStart);
    while (at < starts.size() && !starts[at])
        at = breaks_.NextGraphemeBoundary(at);
    return at;
}

double PageLayout::Width(const Layout& layout, std::size_t start, std::size_t end) const {
    double width = 0;
    for (std::size_t i = start; i < end; ++i)
        width += layout.advance[i];
    return width;
}

void PageLayout::EmitLine(Layout& layout, const std::u32string& text, std::size_t start, std::size_t end,
                          std::size_t number, LineEnd ending) {
    Slot slot = NextSlot();
    if (number)
        DrawLineNumber(number, slot);
    MarkEnd(ending, slot);
    while (end > start && IsSpace(text[end - 1]))
        --end;
    if (end == start)
        return;
    double width = Width(layout, start, end);
    double x = layout.rightToLeft ? slot.right - width : slot.left;
    Line& line = NewLine(page_.lines, x, slot.y);
    Place(layout, text, start, end, x, slot.y, line.runs, &line.rules);
}

// The number in the main font's digits, set to end a space before the text.
void PageLayout::DrawLineNumber(std::size_t number, const Slot& slot) {
    std::u32string digits = Ascii(std::to_string(number));
    Itemize(header_, digits, 0, 0);
    double x = slot.left - DigitWidth() - Width(header_, 0, digits.size());
    Place(header_, digits, 0, digits.size(), x, slot.y, NewLine(page_.lines, x, slot.y).runs);
}

// A line that goes on in the next one gets a small square in the margin
// at its right; a line cut there, a bar.
void PageLayout::MarkEnd(LineEnd ending, const Slot& slot) {
    double size = model_.fontSize;
    if (ending == LineEnd::wrapped)
        page_.rules.push_back(Rule{slot.right + 0.2 * size, slot.y + 0.2 * size, 0.3 * size, 0.3 * size});
    else if (ending == LineEnd::cut)
        page_.rules.push_back(Rule{slot.right + 0.2 * size, slot.y - 0.1 * size, 0.12 * size, 0.8 * size});
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
        MakeRun(layout, text, run, first, stop, x, y, NewRun(runs));
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
// moves past them, into `out`. A cluster's text runs from its first
// character to the next cluster's in the run (or the run's end).
namespace {

// Whether `count` glyphs stand each for one character, in order: the
// first for one character, each next one for the one after, the last for
// the one before `end` (where the characters of what follows start).
bool OneToOne(const ShapedGlyph* glyphs, std::size_t count, std::size_t end, std::size_t textSize) {
    std::uint32_t first = glyphs[0].cluster;
    if (end != first + count || end > textSize)
        return false;
    for (std::size_t k = 1; k < count; ++k)
        if (glyphs[k].cluster != first + k)
            return false;
    return true;
}

} // namespace

void PageLayout::MakeRun(const Layout& layout, const std::u32string& text, const Run& run, std::size_t first,
                         std::size_t stop, double& x, double y, GlyphRun& out) {
    const ShapedGlyph* glyphs = layout.glyphs.data();
    PrintFont& font = fonts_.Font(run.font);
    double scale = model_.fontSize / font.UnitsPerEm();
    bool reversed = (run.level & 1) != 0;
    out.font = run.font;
    out.size = model_.fontSize;
    out.rightToLeft = reversed;
    out.color = kBlack;
    out.emboldened = out.slanted = false;
    if (!layout.styles.empty()) {
        out.color = layout.styles[run.style].color;
        out.emboldened = (run.drawn & kEmboldened) != 0;
        out.slanted = (run.drawn & kSlanted) != 0;
    }
    std::size_t count = stop - first;
    out.glyphs.resize(count);
    PlacedGlyph* placed = out.glyphs.data();
    double pen = x; // in a register: the stores below could alias x
    auto place = [&](const ShapedGlyph& glyph, PlacedGlyph& into) {
        into = {glyph.glyph, pen + glyph.xOffset * scale, y + glyph.yOffset * scale};
        pen += glyph.advance * scale;
    };
    if (reversed)
        for (std::size_t k = 0; k < count; ++k)
            place(glyphs[stop - 1 - k], placed[k]);
    else
        for (std::size_t k = 0; k < count; ++k)
            place(glyphs[first + k], placed[k]);
    x = pen;
    out.text.clear();
    if (!reversed && OneToOne(glyphs + first, count, first + count < run.endGlyph ? glyphs[first + count].cluster : run.end,
                              text.size())) {
        // Each glyph its own cluster of one character: the common case.
        out.clusters.resize(count);
        Cluster* clusters = out.clusters.data();
        for (std::size_t k = 0; k < count; ++k)
            clusters[k] = {static_cast<std::uint32_t>(k), 1, static_cast<std::uint32_t>(k), 1};
        out.text.assign(text, glyphs[first].cluster, count);
        return;
    }
    // Clusters in logical order, then in drawing order; their text is the
    // stretch of `text` from the first one's start to the last one's end.
    out.clusters.resize(count);
    Cluster* clusters = out.clusters.data();
    const std::size_t textSize = text.size(), runEnd = run.end, runEndGlyph = run.endGlyph;
    std::size_t made = 0, textFrom = textSize, textTo = 0;
    for (std::size_t g = first; g < stop;) {
        std::uint32_t cluster = glyphs[g].cluster;
        std::size_t next = g + 1;
        while (next < stop && glyphs[next].cluster == cluster)
            ++next;
        std::size_t from = cluster;
        std::size_t to = next < runEndGlyph ? glyphs[next].cluster : runEnd;
        to = std::min(std::max(to, from), textSize);
        auto drawn = static_cast<std::uint32_t>(reversed ? stop - next : g - first);
        clusters[made++] = {drawn, static_cast<std::uint32_t>(next - g), static_cast<std::uint32_t>(from),
                            static_cast<std::uint32_t>(to - from)};
        textFrom = std::min(textFrom, from);
        textTo = std::max(textTo, to);
        g = next;
    }
    out.clusters.resize(made);
    if (textFrom < textTo) {
        out.text.assign(text, textFrom, textTo - textFrom);
        for (Cluster& cluster : out.clusters)
            cluster.textStart -= static_cast<std::uint32_t>(textFrom);
    }
    if (reversed)
        std::reverse(out.clusters.begin(), out.clusters.end());
}

void PageLayout::HeaderLine(const std::u32string& text, double x, double y) {
    Itemize(header_, text, 0, 0);
    Place(header_, text, 0, text.size(), x, y, NewLine(page_.header, x, y).runs);
}

double PageLayout::HeaderWidth(const std::u32string& text) {
    Itemize(header_, text, 0, 0);
    return Width(header_, 0, text.size());
}

// The name as it is when it fits; else its start and end around "…", as
// much of them as fits, cut where shaped clusters start; nothing when not
// even "…" fits.
const std::u32string& PageLayout::FittedName(double room) {
    if (room == fittedRoom_)
        return fittedName_;
    fittedRoom_ = room;
    fittedName_ = name_;
    if (HeaderWidth(name_) <= room + kSlack)
        return fittedName_;
    std::vector<char> starts = header_.clusterStart;
    std::size_t n = name_.size();
    auto shortened = [&](std::size_t keep) {
        std::size_t head = (keep + 1) / 2, tail = n - (keep - head);
        while (head > 0 && !starts[head])
            --head;
        while (tail < n && !starts[tail])
            ++tail;
        return name_.substr(0, head) + U"\u2026" + name_.substr(tail);
    };
    fittedName_.clear();
    for (std::size_t low = 0, high = n - 1; low <= high;) {
        std::size_t keep = low + (high - low) / 2;
        std::u32string candidate = shortened(keep);
        if (HeaderWidth(candidate) <= room + kSlack) {
            fittedName_ = candidate;
            low = keep + 1;
        } else if (keep == 0) {
            break;
        } else {
            high = keep - 1;
        }
    }
    return fittedName_;
}

// The name on the left, the date in the middle of the sheet and "Page N of
// M" set from the right margin, a rule under them. The date moves left of
// the count when they would meet, and is left out when it has no room; the
// name is shortened to end a space before what follows it.
void PageLayout::DrawHeader() {
    double y = model_.Height() - model_.marginTop - model_.fontSize;
    double left = model_.marginLeft, right = model_.Width() - model_.marginRight, gap = model_.fontSize;
    std::string number = std::to_string(filePage_);
    std::u32string label = Ascii("Page " + number + " of ");
    double labelWidth = HeaderWidth(label);
    double countLeft = right - labelWidth - static_cast<double>(std::max(number.size(), kCountDigits)) * DigitWidth();
    std::u32string date = DecodeForHeader(fileDate_);
    double dateWidth = HeaderWidth(date);
    double dateX = (model_.Width() - dateWidth) / 2;
    if (dateX + dateWidth + gap > countLeft)
        dateX = countLeft - gap - dateWidth;
    bool dated = dateX >= left + gap;
    std::u32string name = FittedName((dated ? dateX : countLeft) - gap - left);
    HeaderLine(name, left, y);
    if (dated)
        HeaderLine(date, dateX, y);
    Itemize(header_, label, 0, 0);
    page_.hasCount = true;
    page_.count.right = right;
    page_.count.y = y;
    page_.count.width = labelWidth;
    Place(header_, label, 0, label.size(), 0, 0, page_.count.runs);
    page_.rules.push_back(Rule{left, y - 0.6 * model_.leading, right - left, 0.5});
}

} // namespace print
