#include "PdfContent.h"

#include "PageModel.h"
#include "PdfSyntax.h"
#include "ToUnicode.h"

#include <algorithm>
#include <cmath>

namespace print {

namespace {

// Closer than this, a glyph is where the pen is.
constexpr double kClose = 0.005;


// Codes go in literal strings, half the bytes of hex.
constexpr std::size_t kLongestCode = 4;

// Writes the code of `cid` at `to`, at most kLongestCode bytes; returns
// where it ends.
inline char* WriteCode(char* to, std::uint16_t cid) {
    unsigned char high = static_cast<unsigned char>(cid >> 8), low = static_cast<unsigned char>(cid & 0xFF);
    if (!NeedsLiteralEscape(high) && !NeedsLiteralEscape(low)) {
        to[0] = static_cast<char>(high);
        to[1] = static_cast<char>(low);
        return to + 2;
    }
    return WriteLiteralByte(WriteLiteralByte(to, high), low);
}

// A cluster of blanks separates words.
bool IsBlank(const GlyphRun& run, const Cluster* cluster) {
    if (!cluster || cluster->textLength == 0)
        return false;
    for (char32_t c : ClusterText(run, *cluster))
        if (c != ' ' && c != '\t' && c != 0x3000)
            return false;
    return true;
}

} // namespace

void PdfContent::Write(std::string_view text) { out_.append(text.data(), text.size()); }

void PdfContent::EndShow() {
    if (inString_)
        out_ += ')';
    if (showing_)
        Write("]TJ\n");
    inString_ = showing_ = false;
}

void PdfContent::SelectFont(int id, double size) {
    size = RoundedToHundredths(size);
    if (id == font_ && size == size_)
        return;
    EndShow();
    Write(PdfFonts::ResourceName(id));
    out_ += ' ';
    AppendNumber(out_, size);
    Write(" Tf\n");
    font_ = id;
    size_ = size;
}

void PdfContent::Draw(const GlyphRun& run, double dx, double dy) {
    if (run.glyphs.empty())
        return;
    dx_ = dx;
    dy_ = dy;
    BeginText();
    SelectFont(run.font, run.size);
    SelectStyle(run);
    PdfFont& font = fonts_.Font(run.font);
    if (!ClaimOneToOne(run, font)) {
        DrawPieces(run, font);
        return;
    }
    ShowOneToOne(font, run.glyphs);
}

// Shows the glyphs whose codes are in codes_, as Show does. A glyph at the
// pen is only its code: written straight into room made for every code left.
void PdfContent::ShowOneToOne(PdfFont& font, const std::vector<PlacedGlyph>& glyphs) {
    const std::size_t count = glyphs.size();
    const double dx = dx_, dy = dy_, size = size_;
    double pen = penX_; // kept here, where writing the codes cannot touch it
    std::size_t used = out_.size();
    for (std::size_t i = 0; i < count; ++i) {
        double x = glyphs[i].x + dx, y = glyphs[i].y + dy;
        if (!AtPen(x, y, pen)) {
            out_.resize(used);
            penX_ = pen;
            MovePen(x, y);
            pen = penX_;
            used = out_.size();
        }
        if (out_.size() - used < kLongestCode)
            out_.resize(used + kLongestCode * (count - i));
        used = static_cast<std::size_t>(WriteCode(&out_[used], codes_[i]) - out_.data());
        pen += font.Width(codes_[i]) * size / 1000;
    }
    penX_ = pen;
    out_.resize(used);
}

// Whether glyph i of the run is cluster i, standing for character i of the
// text, which stands for itself, and maps back to it: what plain text in a
// simple script gives, drawn without spans. The glyphs are claimed for
// their characters in the order DrawWord claims them, their codes kept in
// codes_; a run that is not one to one is claimed no further.
bool PdfContent::ClaimOneToOne(const GlyphRun& run, PdfFont& font) {
    const std::size_t count = run.glyphs.size();
    if (run.clusters.size() != count)
        return false;
    codes_.resize(count);
    const std::size_t characters = run.text.size();
    bool mapped = true;
    for (std::size_t i = 0; i < count; ++i) {
        const Cluster& cluster = run.clusters[i];
        if (cluster.first != i || cluster.count != 1 || cluster.textLength != 1 || cluster.textStart >= characters)
            return false;
        char32_t c = run.text[cluster.textStart];
        if (!StandsForItself(c))
            return false;
        codes_[i] = font.Cid(run.glyphs[i].glyph);
        mapped = font.ClaimCharacter(codes_[i], c) && mapped;
    }
    return mapped;
}

void PdfContent::DrawPieces(const GlyphRun& run, PdfFont& font) {
    // Clusters are in drawing order; glyphs outside them (there should be
    // none) are drawn as standing for nothing in particular.
    pieces_.clear();
    const std::uint64_t count = run.glyphs.size();
    std::uint64_t next = 0;
    for (const Cluster& cluster : run.clusters) {
        std::uint64_t first = std::max<std::uint64_t>(std::min<std::uint64_t>(cluster.first, count), next);
        std::uint64_t end = std::max(first, std::min<std::uint64_t>(std::uint64_t{cluster.first} + cluster.count, count));
        if (next < first)
            pieces_.push_back({nullptr, static_cast<std::uint32_t>(next), static_cast<std::uint32_t>(first)});
        if (first < end)
            pieces_.push_back({&cluster, static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(end)});
        next = std::max(next, end);
    }
    if (next < count)
        pieces_.push_back({nullptr, static_cast<std::uint32_t>(next), static_cast<std::uint32_t>(count)});
    for (std::size_t start = 0; start < pieces_.size();) {
        std::size_t end = start + 1;
        if (!IsBlank(run, pieces_[start].cluster))
            while (end < pieces_.size() && !IsBlank(run, pieces_[end].cluster))
                ++end;
        DrawWord(run, font, start, end);
        start = end;
    }
}

// Extractors give a span's text the extent from the first glyph's origin
// to where the last one moves the pen, and break words at gaps: a span
// covering less than its glyphs (a mark drawn last, or first inside its
// base) would split a word. A span therefore holds a whole word, from
// blank to blank. It leaves out the space glyphs that stand for hidden
// characters (joiners, variation selectors): they draw nothing, and their
// width would stretch the span over the blank that follows.
void PdfContent::DrawWord(const GlyphRun& run, PdfFont& font, std::size_t start, std::size_t end) {
    bool span = false;
    for (std::size_t i = start; i < end; ++i) {
        const Piece& piece = pieces_[i];
        if (!piece.cluster)
            continue;
        std::u32string_view text = ClusterText(run, *piece.cluster);
        if (piece.end - piece.first == 1 && text.size() == 1 && StandsForItself(text[0]))
            span = !font.ClaimCharacter(font.Cid(run.glyphs[piece.first].glyph), text[0]) || span;
        else
            span = NeedsActualText(run, font, piece) || span;
    }
    if (span) {
        EndShow();
        Write("/Span<</ActualText<FEFF" + Utf16Hex(WordText(run, start, end)) + ">>>BDC\n");
    }
    for (std::uint32_t i = pieces_[start].first; i < pieces_[end - 1].end; ++i)
        if (!span || !font.IsSpace(run.glyphs[i].glyph))
            Show(font, font.Cid(run.glyphs[i].glyph), run.glyphs[i]);
    if (span) {
        EndShow();
        Write("EMC\n");
    }
}

// The characters of the word's clusters as drawn.
std::u32string PdfContent::WordText(const GlyphRun& run, std::size_t start, std::size_t end) const {
    std::u32string drawn;
    for (std::size_t i = start; i < end; ++i)
        if (pieces_[i].cluster)
            drawn += DrawnText(std::u32string(ClusterText(run, *pieces_[i].cluster)), run.rightToLeft);
    return drawn;
}

// A glyph alone in its cluster gives the cluster's text back when it maps
// to that text: the first text it stands for becomes its mapping. Several
// glyphs in one cluster need not map one to one to its characters in
// order (Indic reordering, Thai marks, joined emoji), so they never do.
bool PdfContent::NeedsActualText(const GlyphRun& run, PdfFont& font, const Piece& piece) {
    if (piece.end - piece.first != 1)
        return true;
    std::u32string drawn = DrawnText(std::u32string(ClusterText(run, *piece.cluster)), run.rightToLeft);
    return font.Claim(font.Cid(run.glyphs[piece.first].glyph), GlyphText(drawn)) != drawn;
}

void PdfContent::AppendNumbers(double first, double second) {
    AppendNumber(out_, first);
    out_ += ' ';
    AppendNumber(out_, second);
}

// A new text line at the pen: moved from the last one's start, or set
// whole when either leans.
void PdfContent::StartLine() {
    if (slanted_ || lineSlanted_) {
        Write("1 0 ");
        Write(slanted_ ? SlantText() : std::string("0"));
        Write(" 1 ");
        AppendNumbers(penX_, penY_);
        Write(" Tm\n");
        lineSlanted_ = slanted_;
    } else {
        AppendNumbers(penX_ - lineX_, penY_ - lineY_);
        Write(" Td\n");
    }
    lineX_ = penX_;
    lineY_ = penY_;
}

// Shows the glyph of code `cid`: the pen moved to it unless it is there,
// inside the string being shown.
void PdfContent::Show(PdfFont& font, std::uint16_t cid, const PlacedGlyph& glyph) {
    double x = glyph.x + dx_, y = glyph.y + dy_;
    if (!AtPen(x, y, penX_))
        MovePen(x, y);
    AppendCode(cid);
    penX_ += font.Width(cid) * size_ / 1000;
}

// Whether a glyph at (x, y) is shown next in the string being shown, the
// pen at (penX, penY_).
bool PdfContent::AtPen(double x, double y, double penX) const {
    return placed_ && !(std::fabs(y - penY_) > kClose) && size_ > 0 && !(std::fabs(x - penX) > kClose) && inString_;
}

void PdfContent::AppendCode(std::uint16_t cid) {
    char code[kLongestCode];
    out_.append(code, static_cast<std::size_t>(WriteCode(code, cid) - code));
}

// Moves the pen to (x, y) for the next code: a new text line when it is
// off the baseline, a TJ adjustment when it is elsewhere on it; and opens
// the TJ array and its string.
void PdfContent::MovePen(double x, double y) {
    if (!placed_ || std::fabs(y - penY_) > kClose || size_ <= 0) {
        EndShow();
        penX_ = RoundedToHundredths(x);
        penY_ = RoundedToHundredths(y);
        StartLine();
        placed_ = true;
    } else if (std::fabs(x - penX_) > kClose) {
        // A TJ number moves the pen left by thousandths of the type size.
        double adjust = RoundedToHundredths(-RoundedToHundredths(x - penX_) * 1000 / size_);
        if (inString_)
            out_ += ')';
        if (!showing_)
            out_ += '[';
        AppendNumber(out_, adjust);
        inString_ = false;
        showing_ = true;
        penX_ -= adjust * size_ / 1000;
    }
    if (!showing_)
        out_ += '[';
    if (!inString_)
        out_ += '(';
    showing_ = inString_ = true;
}

// Each stream saves the graphics state and restores it at its end, so that
// the colour and line width of one do not reach the next.
void PdfContent::BeginText() {
    if (!started_) {
        Write("q\n");
        started_ = true;
    }
    if (!inText_) {
        Write("BT\n");
        inText_ = true;
        placed_ = lineSlanted_ = false;
        lineX_ = lineY_ = 0; // a text object starts with the identity matrix
    }
}

void PdfContent::EndText() {
    EndShow();
    if (inText_)
        Write("ET\n");
    inText_ = false;
}

void PdfContent::SelectColor(std::uint32_t color) {
    if (color == color_)
        return;
    EndShow();
    std::string rgb = ColorComponents(color);
    Write(rgb + " rg " + rgb + " RG\n");
    color_ = color;
}

void PdfContent::SelectStyle(const GlyphRun& run) {
    SelectColor(run.color);
    if (run.slanted != slanted_) {
        EndShow();
        slanted_ = run.slanted;
        placed_ = false; // the next glyph sets the slanted matrix
    }
    if (run.emboldened != emboldened_) {
        EndShow();
        emboldened_ = run.emboldened;
        Write(emboldened_ ? Number(run.size * kEmboldenStroke) + " w 2 Tr\n" : "0 Tr\n");
    }
}

void PdfContent::Fill(const Rule& rule) {
    if (!started_) {
        Write("q\n");
        started_ = true;
    }
    EndText();
    SelectColor(rule.color);
    AppendNumbers(rule.x, rule.y);
    out_ += ' ';
    AppendNumbers(rule.width, rule.height);
    Write(" re f\n");
}

std::string PdfContent::Take() {
    EndText();
    if (started_)
        Write("Q\n");
    started_ = placed_ = slanted_ = emboldened_ = false;
    font_ = -1;
    color_ = kBlack;
    std::string text;
    text.swap(out_);
    out_.reserve(text.size()); // the next stream is likely as long
    return text;
}

} // namespace print
