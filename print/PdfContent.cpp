#include "PdfContent.h"

#include "PageModel.h"
#include "PdfSyntax.h"
#include "ToUnicode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace print {

namespace {

// Closer than this, a glyph is where the pen is.
constexpr double kClose = 0.005;

double Hundredths(double value) { return static_cast<double>(std::lround(value * 100)) / 100; }

} // namespace

void PdfContent::Write(const std::string& text) { out_ += text; }

void PdfContent::EndShow() {
    if (inString_)
        Write(">");
    if (showing_)
        Write("]TJ\n");
    inString_ = showing_ = false;
}

void PdfContent::SelectFont(int id, double size) {
    size = Hundredths(size);
    if (id == font_ && size == size_)
        return;
    EndShow();
    Write(PdfFonts::ResourceName(id) + " " + Number(size) + " Tf\n");
    font_ = id;
    size_ = size;
}

void PdfContent::Draw(const GlyphRun& run, double dx, double dy) {
    if (run.glyphs.empty())
        return;
    dx_ = dx;
    dy_ = dy;
    if (!inText_) {
        Write("BT\n");
        inText_ = true;
    }
    SelectFont(run.font, run.size);
    // Clusters are in drawing order; glyphs outside them (there should be
    // none) are drawn as standing for nothing in particular.
    const std::uint64_t count = run.glyphs.size();
    std::uint64_t next = 0;
    for (const Cluster& cluster : run.clusters) {
        std::uint64_t first = std::max<std::uint64_t>(std::min<std::uint64_t>(cluster.first, count), next);
        std::uint64_t end = std::max(first, std::min<std::uint64_t>(std::uint64_t{cluster.first} + cluster.count, count));
        if (next < first)
            DrawCluster(run, nullptr, static_cast<std::uint32_t>(next), static_cast<std::uint32_t>(first));
        if (first < end)
            DrawCluster(run, &cluster, static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(end));
        next = std::max(next, end);
    }
    if (next < count)
        DrawCluster(run, nullptr, static_cast<std::uint32_t>(next), static_cast<std::uint32_t>(count));
}

void PdfContent::DrawCluster(const GlyphRun& run, const Cluster* cluster, std::uint32_t first, std::uint32_t end) {
    PdfFont& font = fonts_.Font(run.font);
    std::u32string drawn;
    bool span = false;
    if (cluster) {
        drawn = DrawnText(cluster->text, run.rightToLeft);
        span = end - first != 1 || NeedsActualText(font, run.glyphs[first].glyph, drawn);
    }
    if (span) {
        EndShow();
        Write("/Span<</ActualText<FEFF" + Utf16Hex(drawn) + ">>>BDC\n");
    }
    for (std::uint32_t i = first; i < end; ++i)
        Show(font, run.glyphs[i]);
    if (span) {
        EndShow();
        Write("EMC\n");
    }
}

// A glyph alone in its cluster gives the cluster's text back when it maps
// to that text: the first text it stands for becomes its mapping.
bool PdfContent::NeedsActualText(PdfFont& font, std::uint32_t glyph, const std::u32string& drawn) {
    return font.Claim(font.Cid(glyph), GlyphText(drawn)) != drawn;
}

void PdfContent::Show(PdfFont& font, const PlacedGlyph& glyph) {
    double x = glyph.x + dx_, y = glyph.y + dy_;
    std::uint16_t cid = font.Cid(glyph.glyph);
    if (!placed_ || std::fabs(y - penY_) > kClose || size_ <= 0) {
        EndShow();
        penX_ = Hundredths(x);
        penY_ = Hundredths(y);
        Write("1 0 0 1 " + Number(penX_) + " " + Number(penY_) + " Tm\n");
        placed_ = true;
    } else if (std::fabs(x - penX_) > kClose) {
        // A TJ number moves the pen left by thousandths of the type size.
        double adjust = Hundredths(-Hundredths(x - penX_) * 1000 / size_);
        if (inString_)
            Write(">");
        if (!showing_)
            Write("[");
        Write(Number(adjust));
        inString_ = false;
        showing_ = true;
        penX_ -= adjust * size_ / 1000;
    }
    if (!showing_)
        Write("[");
    if (!inString_)
        Write("<");
    showing_ = inString_ = true;
    char code[8];
    std::snprintf(code, sizeof code, "%04X", cid);
    Write(code);
    penX_ += font.Width(cid) * size_ / 1000;
}

std::string PdfContent::Take() {
    EndShow();
    if (inText_)
        Write("ET\n");
    inText_ = placed_ = false;
    font_ = -1;
    std::string text;
    text.swap(out_);
    return text;
}

} // namespace print
