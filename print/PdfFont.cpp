#include "PdfFont.h"

#include "PageModel.h"
#include "PdfSyntax.h"
#include "ToUnicode.h"

#include "t42/SubsetPlan.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdio>
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

std::uint16_t PdfFont::GiveCid(std::uint32_t glyph) {
    if (glyph >= font_.GlyphCount())
        glyph = 0;
    if (cids_.empty())
        cids_.resize(font_.GlyphCount());
    std::uint16_t& cid = cids_[glyph];
    if (cid == 0) {
        cid = static_cast<std::uint16_t>(glyphs_.size());
        glyphs_.push_back(glyph);
        widths_.push_back(Thousandths(font_.NaturalAdvance(glyph), font_.UnitsPerEm()));
        texts_.emplace_back();
    }
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
    bool cff = font_.Kind() == Outlines::cff;
    std::unique_lock<platform::Mutex> hold;
    if (!cff)
        hold = std::unique_lock<platform::Mutex>(font_.Converter().Font().FaceLock());
    FT_Face face = cff ? font_.Cff().Face() : font_.Converter().Font().Face();
    long box[4] = {face->bbox.xMin, face->bbox.yMin, face->bbox.xMax, face->bbox.yMax};
    if (!cff)
        for (int i = 0; i < 4; ++i)
            box[i] = font_.Converter().Font().Facts().fontBBox[i];
    unsigned em = font_.UnitsPerEm();
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
    double capHeight = os2 && os2->version >= 2 && os2->sCapHeight > 0 ? os2->sCapHeight : face->ascender;
    // Vertical stems of a regular weight are about 80 thousandths, of a bold one about 150.
    double weight = os2 && os2->usWeightClass > 0 ? os2->usWeightClass : 400;
    double stemV = 50 + (weight / 65) * (weight / 65);
    double italicAngle = post ? post->italicAngle / 65536.0 : 0;
    return "<</Type/FontDescriptor/FontName" + PdfName(SubsetName()) + "/Flags " +
           std::to_string(DescriptorFlags(face)) + "/FontBBox[" + std::to_string(box[0]) + " " +
           std::to_string(box[1]) + " " + std::to_string(box[2]) + " " + std::to_string(box[3]) +
           "]/ItalicAngle " + Number(italicAngle) + "/Ascent " + Number(Thousandths(face->ascender, em)) +
           "/Descent " + Number(Thousandths(face->descender, em)) + "/CapHeight " +
           Number(Thousandths(capHeight, em)) + "/StemV " + Number(std::round(stemV)) +
           (cff ? "/FontFile3 " : "/FontFile2 ") + PdfFile::Ref(fontFile) + ">>";
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
    if (font_.Kind() == Outlines::cff)
        return WriteCff(file, error);
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

// The text of each glyph that the font's Unicode map gives it: the lowest
// character that maps to it.
std::unordered_map<std::uint32_t, char32_t> MappedText(PrintFont& font) {
    std::unordered_map<std::uint32_t, char32_t> texts;
    hb_set_t* characters = hb_set_create();
    hb_face_collect_unicodes(hb_font_get_face(font.Hb()), characters);
    for (hb_codepoint_t c = HB_SET_VALUE_INVALID; hb_set_next(characters, &c);)
        if (std::uint32_t glyph = font.NominalGlyph(c))
            texts.emplace(glyph, static_cast<char32_t>(c));
    hb_set_destroy(characters);
    return texts;
}

// A CFF font: its subset's CFF data as FontFile3 under a CIDFontType0. The
// CIDs of a CID-keyed subset are its charset's (those of the whole font);
// a name-keyed subset's are its glyph numbers. The pages' codes, given
// before the subset was made, reach them through an embedded CMap.
bool PdfFont::WriteCff(PdfFile& file, std::string& error) const {
    std::vector<std::uint32_t> glyphs(glyphs_.begin() + 1, glyphs_.end());
    CffSubset subset;
    std::string reason;
    if (!font_.Cff().Subset(glyphs, subset, reason)) {
        error = "cannot embed " + font_.PostScriptName() + ": " + reason;
        return false;
    }
    std::unordered_map<std::uint32_t, char32_t> mapped;
    std::vector<std::u32string> toUnicode(glyphs_.size());
    std::vector<std::pair<std::uint32_t, double>> widths; // by CID
    std::string codes;
    std::size_t inBlock = 0;
    for (std::size_t code = 1; code < glyphs_.size(); ++code) {
        std::uint32_t cid = subset.cids[subset.Written(glyphs_[code])];
        if (inBlock == 100) {
            codes += "endcidchar\n";
            inBlock = 0;
        }
        if (inBlock++ == 0)
            codes += std::to_string(std::min<std::size_t>(100, glyphs_.size() - code)) + " begincidchar\n";
        char entry[32];
        std::snprintf(entry, sizeof entry, "<%04X> %u\n", static_cast<unsigned>(code), static_cast<unsigned>(cid));
        codes += entry;
        widths.emplace_back(cid, widths_[code]);
        toUnicode[code] = texts_[code];
        if (toUnicode[code].empty()) {
            if (mapped.empty())
                mapped = MappedText(font_);
            auto found = mapped.find(glyphs_[code]);
            if (found != mapped.end())
                toUnicode[code] = GlyphText(std::u32string(1, found->second));
        }
    }
    if (inBlock > 0)
        codes += "endcidchar\n";
    std::sort(widths.begin(), widths.end());
    std::string w = "/W[";
    for (std::size_t i = 0; i < widths.size(); ++i)
        if (i == 0 || widths[i].first != widths[i - 1].first)
            w += ((i % 8 == 7) ? "\n" : i ? " " : "") + std::to_string(widths[i].first) + "[" +
                 Number(widths[i].second) + "]";
    w += "]";
    std::string system = "<</Registry" + PdfTextString(subset.registry) + "/Ordering" + PdfTextString(subset.ordering) +
                         "/Supplement " + std::to_string(subset.supplement) + ">>";
    std::string cmapName = "QuelinCodes-" + SubsetName().substr(0, 6);
    std::string encoding = "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n/CIDSystemInfo " +
                           system + " def\n/CMapName/" + cmapName +
                           " def\n/CMapType 1 def\n1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n" +
                           codes + "endcmap\nCMapName currentdict/CMap defineresource pop\nend\nend\n";
    int cidFont = file.Reserve(), descriptor = file.Reserve(), fontFile = file.Reserve(), map = file.Reserve(),
        cmap = file.Reserve();
    std::string name = PdfName(SubsetName());
    file.WriteObject(object_, "<</Type/Font/Subtype/Type0/BaseFont" + name + "/Encoding " + PdfFile::Ref(map) +
                                  "/DescendantFonts[" + PdfFile::Ref(cidFont) + "]/ToUnicode " + PdfFile::Ref(cmap) +
                                  ">>");
    file.WriteObject(cidFont, "<</Type/Font/Subtype/CIDFontType0/BaseFont" + name + "/CIDSystemInfo" + system +
                                  "/FontDescriptor " + PdfFile::Ref(descriptor) + w + ">>");
    file.WriteObject(descriptor, Descriptor(fontFile));
    file.WriteStream(fontFile, "/Subtype/CIDFontType0C", subset.cff);
    file.WriteStream(map, "/Type/CMap/CMapName/" + cmapName + "/CIDSystemInfo" + system, encoding);
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
