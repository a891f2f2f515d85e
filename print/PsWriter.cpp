#include "PsWriter.h"

#include "t42/PsSyntax.h"
#include "t42/SubsetPlan.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace print {

namespace {

// The order in which codes are handed out within an encoding: bytes that a
// string holds as they are first, those that need a backslash or an octal
// escape last. In the first encoding the printable ASCII codes are kept for
// the glyphs of those characters, so that ASCII text reads as itself.
struct CodeOrder {
    unsigned char first[161];
    unsigned char other[256];
    CodeOrder() {
        int n = 0, m = 0;
        for (int byte = 0x80; byte <= 0xFF; ++byte)
            first[n++] = other[m++] = static_cast<unsigned char>(byte);
        for (int byte = 0x21; byte <= 0x7E; ++byte)
            if (byte != '(' && byte != ')' && byte != '\\')
                other[m++] = static_cast<unsigned char>(byte);
        for (int byte : {0x20, int('('), int(')'), int('\\')})
            other[m++] = static_cast<unsigned char>(byte);
        for (int byte = 0x01; byte <= 0x1F; ++byte)
            first[n++] = other[m++] = static_cast<unsigned char>(byte);
        first[n++] = other[m++] = 0x7F;
        first[n++] = other[m++] = 0x00;
    }
};
const CodeOrder kCodeOrder;

int NextFreeCode(std::size_t& nextOrder) {
    std::size_t order = nextOrder++;
    if (order < sizeof kCodeOrder.first)
        return kCodeOrder.first[order];
    order -= sizeof kCodeOrder.first;
    return static_cast<int>((1 + order / 256) * 256 + kCodeOrder.other[order % 256]);
}

// PostScript text for a DSC comment or a name: printable ASCII only.
std::string CommentText(const std::string& text) {
    std::string clean;
    for (char c : text)
        if (c > ' ' && c < 0x7F && c != '(' && c != ')' && c != '%')
            clean += c;
    return clean.empty() ? "Untitled" : clean;
}

} // namespace

PsWriter::PsWriter(const PageModel& model, FontSet& fonts, Scratch& body, Output& out)
    : model_(model), fonts_(fonts), body_(body), out_(out) {}

PsWriter::FontCodes& PsWriter::CodesOf(int fontId) {
    if (codes_.size() <= static_cast<std::size_t>(fontId))
        codes_.resize(static_cast<std::size_t>(fontId) + 1);
    FontCodes& codes = codes_[static_cast<std::size_t>(fontId)];
    if (codes.codeOf.empty()) {
        PrintFont& font = fonts_.Font(fontId);
        std::size_t glyphs = font.GlyphCount();
        codes.codeOf.assign(glyphs, -1);
        codes.asciiOf.assign(glyphs, 0);
        for (char32_t c = 0x20; c <= 0x7E; ++c) {
            std::uint32_t glyph = font.NominalGlyph(c);
            if (glyph != 0 && glyph < glyphs && !codes.asciiOf[glyph])
                codes.asciiOf[glyph] = static_cast<char>(c);
        }
    }
    return codes;
}

// The glyph's code, given at its first use, when `text` (the characters it
// stands for; none: the font's map) is noted.
int PsWriter::CodeOf(int fontId, std::uint32_t glyph, const std::u32string& text) {
    FontCodes& codes = CodesOf(fontId);
    if (glyph >= codes.codeOf.size())
        glyph = 0;
    int& code = codes.codeOf[glyph];
    if (code >= 0)
        return code;
    code = codes.asciiOf[glyph] ? codes.asciiOf[glyph] : NextFreeCode(codes.nextOrder);
    t42::DrawnGlyph drawn{glyph, {}};
    // The characters are named unless the font's own map says the same.
    if (!text.empty() && !(text.size() == 1 && glyph != 0 && fonts_.Font(fontId).NominalGlyph(text[0]) == glyph))
        drawn.text = text;
    codes.drawn.push_back(std::move(drawn));
    return code;
}

// PostScript lines stay under 255 bytes, as the conventions ask.
void PsWriter::Write(const std::string& text) { Write(text.data(), text.size()); }

void PsWriter::Write(const char* text, std::size_t size) {
    if (lineLength_ > 0 && lineLength_ + size > 200) {
        body_.Write("\n", 1);
        lineLength_ = 0;
    }
    body_.Write(text, size);
    lineLength_ += size;
}

void PsWriter::FlushString() {
    if (stringLength_ == 1)
        return;
    std::memcpy(string_ + stringLength_, stringEmboldened_ ? ")B " : ")S ", 3);
    Write(string_, stringLength_ + 3);
    stringLength_ = 1;
}

// Code bytes escaped as every string the program writes is.
void PsWriter::AppendCode(unsigned char byte) {
    char* end = t42::WriteEscapedByte(string_ + stringLength_, byte, t42::kEscapeParentheses | t42::kOctalControls);
    stringLength_ = static_cast<std::size_t>(end - string_);
}

void PsWriter::SwitchEncoding(int key, bool slanted) {
    FlushString();
    Write("f" + std::to_string(key) + (slanted ? "s " : " "));
    encoding_ = key * 2 + (slanted ? 1 : 0);
    if (slanted) {
        if (slantedKeys_.size() <= static_cast<std::size_t>(key))
            slantedKeys_.resize(static_cast<std::size_t>(key) + 1, 0);
        slantedKeys_[static_cast<std::size_t>(key)] = 1;
    }
}

void PsWriter::SetColor(std::uint32_t color) {
    if (color == color_)
        return;
    FlushString();
    Write(ColorComponents(color) + " C ");
    color_ = color;
    colors_ = true;
}

void PsWriter::DrawRule(const Rule& rule) {
    FlushString();
    SetColor(rule.color);
    operator_.clear();
    for (double value : {rule.x, rule.y, rule.width, rule.height}) {
        AppendNumber(operator_, value);
        operator_ += ' ';
    }
    Write(operator_ + "rectfill ");
}

// Moves by whole hundredths of a point, and keeps where that puts the
// current point, so that rounding never adds up along a line.
void PsWriter::MoveTo(double x, double y) {
    FlushString();
    double dx = RoundedToHundredths(x - pointX_), dy = RoundedToHundredths(y - pointY_);
    operator_.clear();
    AppendNumber(operator_, dx);
    if (dy == 0) {
        operator_ += " R ";
    } else {
        operator_ += ' ';
        AppendNumber(operator_, dy);
        operator_ += " V ";
    }
    Write(operator_);
    pointX_ += dx;
    pointY_ += dy;
}

void PsWriter::StartAt(double x, double y) {
    FlushString();
    if (lineLength_ > 0) {
        body_.Write("\n", 1);
        lineLength_ = 0;
    }
    pointX_ = RoundedToHundredths(x);
    pointY_ = RoundedToHundredths(y);
    operator_.clear();
    AppendNumber(operator_, x);
    operator_ += ' ';
    AppendNumber(operator_, y);
    operator_ += " M ";
    Write(operator_);
}

int PsWriter::EncodingKey(int fontId, int encoding) {
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

// Draws the run's glyphs cluster by cluster, with its font, its codes and
// the key of the encoding last used looked up once for the run. Its colour
// and emboldening are set when its first glyph is drawn.
void PsWriter::DrawRun(const GlyphRun& run) {
    FontCodes& codes = CodesOf(run.font);
    PrintFont& font = fonts_.Font(run.font);
    const double size = run.size;
    const double unitsPerEm = font.UnitsPerEm();
    int encoding = -1, key = -1;
    bool styled = false;
    // What the loop reads kept in locals, the current point too: the
    // string's bytes could alias any of them, and would have them reloaded
    // after each. The vectors keep their size while the run is drawn.
    double penX = pointX_, penY = pointY_;
    const int* codeOf = codes.codeOf.data();
    const std::size_t glyphCount = codes.codeOf.size();
    const PlacedGlyph* glyphs = run.glyphs.data();
    const bool slanted = run.slanted;
    for (const Cluster* cluster = run.clusters.data(), *last = cluster + run.clusters.size(); cluster != last;
         ++cluster) {
        const std::size_t end = cluster->first + cluster->count;
        for (std::size_t i = cluster->first; i < end; ++i) {
            const PlacedGlyph& placed = glyphs[i];
            std::uint32_t glyph = placed.glyph;
            std::size_t index = glyph < glyphCount ? glyph : 0;
            int code = codeOf[index];
            if (code < 0)
                code = FirstCode(run, *cluster, glyph);
            if (!styled) {
                SetColor(run.color);
                if (run.emboldened != stringEmboldened_) {
                    FlushString();
                    stringEmboldened_ = run.emboldened;
                    emboldens_ = emboldens_ || run.emboldened;
                }
                styled = true;
            }
            if (code >> 8 != encoding) {
                encoding = code >> 8;
                key = EncodingKey(run.font, encoding);
            }
            SelectEncoding(key, slanted);
            if (std::fabs(placed.x - penX) > 0.005 || std::fabs(placed.y - penY) > 0.005) {
                pointX_ = penX;
                pointY_ = penY;
                MoveTo(placed.x, placed.y);
                penX = pointX_;
                penY = pointY_;
            }
            if (stringLength_ > kLongestString)
                FlushString();
            AppendCode(static_cast<unsigned char>(code & 0xFF));
            penX += font.NaturalAdvance(glyph) * size / unitsPerEm;
        }
    }
    pointX_ = penX;
    pointY_ = penY;
}

// The code of a glyph drawn for the first time. A glyph alone in its
// cluster stands for the cluster's characters (less joiners and controls),
// so that text comes back out.
int PsWriter::FirstCode(const GlyphRun& run, const Cluster& cluster, std::uint32_t glyph) {
    std::u32string stands;
    if (cluster.count == 1)
        for (char32_t c : ClusterText(run, cluster))
            if (!IsDefaultIgnorable(c) && c >= 0x20)
                stands += c;
    return CodeOf(run.font, glyph, stands);
}

void PsWriter::DrawLine(const Line& line) {
    StartAt(line.x, line.y);
    for (const GlyphRun& run : line.runs)
        DrawRun(run);
    for (const Rule& rule : line.rules)
        DrawRule(rule);
}

// "Page N of M", set from the right margin: M, unknown until the file
// ends, is the string P<file> that the setup defines in the main font.
void PsWriter::DrawCount(const Page& page) {
    std::string count = "P" + std::to_string(page.file);
    int digits = EncodingKey(0, 0);
    SelectEncoding(digits);
    FlushString();
    Write(Number(page.count.width) + " " + Number(page.count.y) + " " + count + " H ");
    pointX_ = pointY_ = 0;
    for (const GlyphRun& run : page.count.runs)
        DrawRun(run);
    SelectEncoding(digits);
    FlushString();
    Write(count + " S ");
}

void PsWriter::BeginFile(const FileInfo&) {
    if (!model_.header)
        return;
    // The page count is shown in the main font's digits.
    for (char32_t digit = '0'; digit <= '9'; ++digit)
        CodeOf(0, fonts_.Font(0).NominalGlyph(digit), std::u32string(1, digit));
}

void PsWriter::WritePage(const Page& page) {
    ++pages_;
    std::string number = std::to_string(pages_);
    body_.Write("%%Page: " + number + " " + number + "\nsave\n");
    lineLength_ = 0;
    encoding_ = -1;
    color_ = kBlack;
    for (const Line& line : page.header)
        DrawLine(line);
    if (page.hasCount)
        DrawCount(page);
    for (const Line& line : page.lines)
        DrawLine(line);
    for (const Rule& rule : page.rules)
        DrawRule(rule);
    FlushString();
    body_.Write("\nrestore showpage\n");
}

void PsWriter::EndFile(std::size_t pages) { filePages_.push_back(pages); }

// The subset of a CFF font that draws `drawn`, as a FontSet resource;
// tokens[i] is what names drawn[i] in an encoding: its glyph name in a
// name-keyed font, its CID in a CID-keyed one.
bool PsWriter::WriteCffFont(const PrintFont& font, const std::vector<t42::DrawnGlyph>& drawn,
                            t42::OutputBuffer& program, CffSubset& subset, std::vector<std::string>& tokens,
                            std::string& error) {
    std::vector<std::uint32_t> glyphs;
    for (const t42::DrawnGlyph& glyph : drawn)
        glyphs.push_back(glyph.glyph);
    std::string reason;
    if (!font.Cff().Subset(glyphs, subset, reason)) {
        error = "cannot write the glyphs of \"" + font.Location().path + "\": " + reason;
        return false;
    }
    WriteCffResource(subset, program);
    for (std::uint32_t glyph : glyphs) {
        std::size_t written = subset.Written(glyph);
        tokens.push_back(subset.cidKeyed ? std::to_string(subset.cids[written]) : NameToken(subset.names[written]));
    }
    return true;
}

// Encoding `key`: a re-encoded copy of font `font` whose Encoding names
// the glyphs of `slots`.
std::string PsWriter::NameEncoding(std::size_t key, const std::string& font, const std::string& name,
                                   const std::vector<const std::string*>& slots) {
    std::string text = "/D" + std::to_string(key) + " /" + name + " [";
    std::size_t lineStart = 0;
    for (const std::string* slot : slots) {
        if (text.size() - lineStart > 200) {
            text += "\n";
            lineStart = text.size();
        }
        text += slot ? *slot : std::string("/.notdef");
        text += ' ';
    }
    return text + "] " + font + " RE def\n";
}

// Encoding `key` of a CIDFont: a CMap from one-byte codes to the CIDs of
// `slots`, and the Type 0 font that composes the CIDFont with it.
std::string PsWriter::CidEncoding(std::size_t key, const std::string& font, const std::string& name,
                                  const std::vector<const std::string*>& slots) {
    std::vector<std::string> pairs;
    for (std::size_t code = 0; code < slots.size(); ++code)
        if (slots[code]) {
            char hex[2];
            t42::WriteHexDigits(hex, static_cast<std::uint32_t>(code), 2);
            pairs.push_back("<" + std::string(hex, 2) + "> " + *slots[code]);
        }
    std::string text = "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n/CIDSystemInfo " + font +
                       " /CIDSystemInfo get def /CMapName /" + name +
                       " def /CMapType 1 def\n1 begincodespacerange <00> <FF> endcodespacerange\n";
    for (std::size_t first = 0; first < pairs.size(); first += 100) {
        std::size_t count = std::min<std::size_t>(100, pairs.size() - first);
        text += std::to_string(count) + " begincidchar";
        for (std::size_t i = first; i < first + count; ++i)
            text += ((i - first) % 10 == 0 ? "\n" : " ") + pairs[i];
        text += "\nendcidchar\n";
    }
    text += "endcmap CMapName currentdict /CMap defineresource pop end end\n";
    return text + "/D" + std::to_string(key) + " /" + name + " /" + name + " [" + font + "] composefont " +
           Number(model_.fontSize) + " scalefont def\n";
}

// The header, the prolog and the setup: each used font once, with the
// encodings that draw its codes, and the page counts the headers show.
// A landscape sheet is a page wider than high, drawn upright: its media
// size, bounding box and PageSize say so, and no %%Orientation comment,
// which viewers and converters take as asking to turn the page once more.
bool PsWriter::WriteSetup(std::string& error) {
    std::string width = Number(model_.Width()), height = Number(model_.Height());
    std::vector<int> used;
    for (std::size_t id = 0; id < codes_.size(); ++id)
        if (!codes_[id].drawn.empty())
            used.push_back(static_cast<int>(id));
    bool cff = false;
    for (int id : used)
        cff = cff || fonts_.Font(id).Kind() == Outlines::cff;
    // CFF fonts are FontSet resources and CIDFonts: LanguageLevel 3.
    std::string head = "%!PS-Adobe-3.0\n%%Creator: quelin print\n%%LanguageLevel: " + std::string(cff ? "3" : "2") +
                       "\n";
    head += "%%BoundingBox: 0 0 " + width + " " + height + "\n";
    head += "%%DocumentData: Clean8Bit\n";
    head += "%%DocumentMedia: Plain " + width + " " + height + " 0 () ()\n";
    for (std::size_t i = 0; i < used.size(); ++i)
        head += std::string(i == 0 ? "%%DocumentSuppliedResources:" : "%%+") + " font " +
                CommentText(fonts_.Font(used[i]).PostScriptName()) + "\n";
    head += "%%Pages: " + std::to_string(pages_) + "\n%%PageOrder: Ascend\n%%EndComments\n";
    head += "%%BeginProlog\n";
    head += "/M {moveto} bind def /R {0 rmoveto} bind def /V {rmoveto} bind def /S {show} bind def\n";
    head += "/XR " + Number(model_.Width() - model_.marginRight) + " def\n";
    head += "/H {/Hs exch def /Hy exch def Hs stringwidth pop add XR exch sub Hy moveto} bind def\n";
    head += "/RE {dup length dict begin {1 index /FID ne {def} {pop pop} ifelse} forall /Encoding exch def\n"
            " currentdict end definefont " + Number(model_.fontSize) + " scalefont} bind def\n";
    if (colors_)
        head += "/C {setrgbcolor} bind def\n";
    if (emboldens_)
        head += "/B {gsave dup false charpath 1 setlinejoin " + Number(model_.fontSize * kEmboldenStroke) +
                " setlinewidth stroke grestore show} bind def\n";
    head += "%%EndProlog\n%%BeginSetup\n";
    head += "[{\n%%BeginFeature: *PageSize " + std::string(model_.paper.name) + "\n<< /PageSize [" + width + " " +
            height + "] >> setpagedevice\n%%EndFeature\n} stopped cleartomark\n";
    if (model_.duplex != Duplex::none) {
        bool tumble = model_.duplex == Duplex::shortEdge;
        head += std::string("[{\n%%BeginFeature: *Duplex ") + (tumble ? "DuplexTumble" : "DuplexNoTumble") +
                "\n<< /Duplex true /Tumble " + (tumble ? "true" : "false") +
                " >> setpagedevice\n%%EndFeature\n} stopped cleartomark\n";
    }
    out_.Write(head);

    std::vector<std::vector<std::string>> tokensOf(codes_.size());
    std::vector<bool> cidKeyed(codes_.size(), false);
    for (int id : used) {
        PrintFont& font = fonts_.Font(id);
        const FontCodes& codes = codes_[static_cast<std::size_t>(id)];
        t42::OutputBuffer program;
        std::vector<std::string>& tokens = tokensOf[static_cast<std::size_t>(id)];
        std::string name = font.PostScriptName(), find;
        if (font.Kind() == Outlines::cff) {
            CffSubset subset;
            if (!WriteCffFont(font, codes.drawn, program, subset, tokens, error))
                return false;
            cidKeyed[static_cast<std::size_t>(id)] = subset.cidKeyed;
            name = subset.fontName;
            find = NameToken(name) + (subset.cidKeyed ? " /CIDFont findresource" : " findfont");
        } else {
            t42::SubsetPlan plan;
            t42::Status made = font.Converter().PlanSubset(codes.drawn, plan);
            if (!made.Ok()) {
                error = "cannot write the glyphs of \"" + font.Location().path + "\" (" +
                        std::to_string(made.code) + "): " + made.Reason();
                return false;
            }
            plan.WriteProgram(program);
            for (const t42::DrawnGlyph& drawn : codes.drawn)
                tokens.push_back(plan.NameToken(drawn.glyph));
            find = (name.empty() ? "() cvn" : "/" + name) + " findfont";
        }
        out_.Write("%%BeginResource: font " + CommentText(name) + "\n");
        out_.Write(program.Data(), program.Size());
        if (program.Size() > 0 && program.Data()[program.Size() - 1] != '\n')
            out_.Write("\n");
        out_.Write("%%EndResource\n/Q" + std::to_string(id) + " " + find + " def\n");
    }
    for (std::size_t key = 0; key < encodings_.size(); ++key) {
        int id = encodings_[key].first, number = encodings_[key].second;
        const FontCodes& codes = codes_[static_cast<std::size_t>(id)];
        const std::vector<std::string>& tokens = tokensOf[static_cast<std::size_t>(id)];
        std::vector<const std::string*> slots(256, nullptr);
        for (std::size_t i = 0; i < codes.drawn.size(); ++i) {
            int code = codes.codeOf[codes.drawn[i].glyph];
            if ((code >> 8) == number)
                slots[static_cast<std::size_t>(code & 0xFF)] = &tokens[i];
        }
        std::string font = "Q" + std::to_string(id), k = std::to_string(key);
        std::string encoding = font + "." + std::to_string(number);
        out_.Write(cidKeyed[static_cast<std::size_t>(id)] ? CidEncoding(key, font, encoding, slots)
                                                          : NameEncoding(key, font, encoding, slots));
        out_.Write("/f" + k + " {D" + k + " setfont} bind def\n");
        if (key < slantedKeys_.size() && slantedKeys_[key])
            out_.Write("/D" + k + "s D" + k + " [1 0 " + SlantText() + " 1 0 0] makefont def /f" + k + "s {D" + k +
                       "s setfont} bind def\n");
    }
    for (std::size_t file = 0; model_.header && file < filePages_.size(); ++file)
        out_.Write("/P" + std::to_string(file) + " (" + std::to_string(filePages_[file]) + ") def\n");
    out_.Write("%%EndSetup\n");
    return true;
}

bool PsWriter::CopyPages(std::string& error) {
    int descriptor = body_.Rewind();
    if (descriptor < 0) {
        error = body_.Error();
        return false;
    }
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t got = read(descriptor, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = std::string("cannot read back the pages: ") + std::strerror(errno);
            return false;
        }
        if (got == 0)
            break;
        out_.Write(buffer.data(), static_cast<std::size_t>(got));
    }
    return true;
}

bool PsWriter::Finish(std::string& error, Fault& fault) {
    fault = Fault::font;
    if (!WriteSetup(error))
        return false;
    fault = Fault::file;
    if (!CopyPages(error))
        return false;
    out_.Write("%%Trailer\n%%EOF\n");
    return true;
}

} // namespace print
