#include "PdfFont.h"

#include "PageModel.h"
#include "PdfSyntax.h"
#include "ToUnicode.h"

#include "t42/SubsetPlan.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <mutex>

namespace print {

namespace {

constexpr std::uint64_t kFnvBasis = 0xcbf29ce484222325ULL;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;

std::uint64_t Hash(std::uint64_t hash, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        hash = (hash ^ ((value >> (8 * i)) & 0xFF)) * kFnvPrime;
    return hash;
}

// Thousandths of an em, to two decimals, as PDF font metrics are given.
double Thousandths(double units, unsigned unitsPerEm) {
    return std::lround(units * 100000.0 / unitsPerEm) / 100.0;
}

// The descriptor's flags: FixedPitch, Symbolic or Nonsymbolic, Italic.
// A font with the Latin alphabet in its Unicode map is taken to use the
// standard Latin characters; any other is symbolic.
int DescriptorFlags(FT_Face face) {
    bool latin = face->charmap && face->charmap->encoding == FT_ENCODING_UNICODE;
    for (char32_t c = 'A'; latin && c <= 'z'; c = c == 'Z' ? 'a' : c + 1)
        latin = FT_Get_Char_Index(face, c) != 0;
    int flags = latin ? 32 : 4;
    if (FT_IS_FIXED_WIDTH(face))
        flags |= 1;
    if (face->style_flags & FT_STYLE_FLAG_ITALIC)
        flags |= 64;
    return flags;
}

} // namespace

std::uint16_t PdfFont::Cid(std::uint32_t glyph) {
    if (glyph >= font_.GlyphCount())
        glyph = 0;
    auto found = cids_.find(glyph);
    if (found != cids_.end())
        return found->second;
    auto cid = static_cast<std::uint16_t>(glyphs_.size());
    cids_.emplace(glyph, cid);
    glyphs_.push_back(glyph);
    widths_.push_back(Thousandths(font_.NaturalAdvance(glyph), font_.UnitsPerEm()));
    texts_.emplace_back();
    return cid;
}

const std::u32string& PdfFont::Claim(std::uint16_t cid, const std::u32string& text) {
    std::u32string& mapped = texts_[cid];
    if (mapped.empty())
        mapped = text;
    return mapped;
}

// "ABCDEF+Name": six letters from the glyphs the subset draws, so that the
// same pages name the same subset.
std::string PdfFont::SubsetName() const {
    std::uint64_t hash = kFnvBasis;
    for (unsigned char c : font_.PostScriptName())
        hash = Hash(hash, c);
    for (std::uint32_t glyph : glyphs_)
        hash = Hash(hash, glyph);
    std::string tag;
    for (int i = 0; i < 6; ++i, hash /= 26)
        tag += static_cast<char>('A' + hash % 26);
    return tag + "+" + font_.PostScriptName();
}

std::string PdfFont::Descriptor(int fontFile) const {
    const t42::LoadedFont& loaded = font_.Converter().Font();
    const t42::FontFacts& facts = loaded.Facts();
    std::lock_guard<platform::Mutex> hold(loaded.FaceLock());
    FT_Face face = loaded.Face();
    unsigned em = facts.unitsPerEm;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
    double capHeight = os2 && os2->version >= 2 && os2->sCapHeight > 0 ? os2->sCapHeight : face->ascender;
    // Vertical stems of a regular weight are about 80 thousandths, of a bold one about 150.
    double weight = os2 && os2->usWeightClass > 0 ? os2->usWeightClass : 400;
    double stemV = 50 + (weight / 65) * (weight / 65);
    double italicAngle = post ? post->italicAngle / 65536.0 : 0;
    return "<</Type/FontDescriptor/FontName" + PdfName(SubsetName()) + "/Flags " +
           std::to_string(DescriptorFlags(face)) + "/FontBBox[" + std::to_string(facts.fontBBox[0]) + " " +
           std::to_string(facts.fontBBox[1]) + " " + std::to_string(facts.fontBBox[2]) + " " +
           std::to_string(facts.fontBBox[3]) + "]/ItalicAngle " + Number(italicAngle) + "/Ascent " +
           Number(Thousandths(face->ascender, em)) + "/Descent " + Number(Thousandths(face->descender, em)) +
           "/CapHeight " + Number(Thousandths(capHeight, em)) + "/StemV " + Number(std::round(stemV)) +
           "/FontFile2 " + PdfFile::Ref(fontFile) + ">>";
}

// CIDs are consecutive from 1: one run of widths.
std::string PdfFont::Widths() const {
    std::string out = "/W[1[";
    for (std::size_t cid = 1; cid < widths_.size(); ++cid) {
        if (cid > 1)
            out += (cid % 16 == 1) ? "\n" : " ";
        out += Number(widths_[cid]);
    }
    return out + "]]";
}

bool PdfFont::Write(PdfFile& file, std::string& error) const {
    std::vector<t42::DrawnGlyph> drawn;
    drawn.reserve(glyphs_.size() - 1);
    for (std::size_t cid = 1; cid < glyphs_.size(); ++cid)
        drawn.push_back({glyphs_[cid], texts_[cid]});
    t42::SubsetPlan plan;
    t42::Status status = font_.Converter().PlanSubset(drawn, plan);
    if (!status.Ok()) {
        error = "cannot embed " + font_.PostScriptName() + ": " + status.Reason();
        return false;
    }
    std::vector<std::uint8_t> program = plan.TrueTypeFile();
    std::vector<std::uint8_t> cidToGid;
    std::vector<std::u32string> toUnicode(glyphs_.size());
    cidToGid.reserve(glyphs_.size() * 2);
    for (std::size_t cid = 0; cid < glyphs_.size(); ++cid) {
        std::size_t written = cid == 0 ? 0 : plan.WrittenIndex(glyphs_[cid]);
        if (written >= plan.Size())
            written = 0;
        cidToGid.push_back(static_cast<std::uint8_t>(written >> 8));
        cidToGid.push_back(static_cast<std::uint8_t>(written & 0xFF));
        if (cid > 0)
            toUnicode[cid] = texts_[cid].empty() ? GlyphText(plan.Text(written)) : texts_[cid];
    }
    int cidFont = file.Reserve(), descriptor = file.Reserve(), fontFile = file.Reserve(), map = file.Reserve(),
        cmap = file.Reserve();
    std::string name = PdfName(SubsetName());
    file.WriteObject(object_, "<</Type/Font/Subtype/Type0/BaseFont" + name + "/Encoding/Identity-H/DescendantFonts[" +
                                  PdfFile::Ref(cidFont) + "]/ToUnicode " + PdfFile::Ref(cmap) + ">>");
    file.WriteObject(cidFont, "<</Type/Font/Subtype/CIDFontType2/BaseFont" + name +
                                  "/CIDSystemInfo<</Registry(Adobe)/Ordering(Identity)/Supplement 0>>/FontDescriptor " +
                                  PdfFile::Ref(descriptor) + Widths() + "/CIDToGIDMap " + PdfFile::Ref(map) + ">>");
    file.WriteObject(descriptor, Descriptor(fontFile));
    file.WriteStream(fontFile, "/Length1 " + std::to_string(program.size()), program);
    file.WriteStream(map, "", cidToGid);
    file.WriteStream(cmap, "", ToUnicodeCMap(toUnicode));
    return true;
}

PdfFont& PdfFonts::Font(int id) {
    auto index = static_cast<std::size_t>(id);
    if (made_.size() <= index)
        made_.resize(index + 1);
    if (!made_[index])
        made_[index] = std::make_unique<PdfFont>(fonts_.Font(id), file_.Reserve());
    return *made_[index];
}

std::string PdfFonts::ResourceName(int id) { return "/F" + std::to_string(id); }

std::string PdfFonts::Resources() const {
    std::string out = "<<";
    for (std::size_t id = 0; id < made_.size(); ++id)
        if (made_[id])
            out += ResourceName(static_cast<int>(id)) + " " + PdfFile::Ref(made_[id]->Object());
    return out + ">>";
}

bool PdfFonts::Write(std::string& error) const {
    for (const auto& font : made_)
        if (font && !font->Write(file_, error))
            return false;
    return true;
}

} // namespace print
