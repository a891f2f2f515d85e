// Styled paragraphs through the layout and the PostScript writer, judged by
// Ghostscript and poppler: the family's bold and italic faces (or the
// regular face emboldened and slanted where the family has none), colours
// and underlines drawn, the text given back.
#include "print/FontChoice.h"
#include "print/Layout.h"
#include "print/PsWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

class StringOutput : public print::Output {
public:
    bool Write(const char* data, std::size_t size) override {
        text.append(data, size);
        return true;
    }
    bool Failed() const override { return false; }
    std::string Error() const override { return std::string(); }
    std::string text;
};

class TemporaryScratch : public print::Scratch {
public:
    ~TemporaryScratch() override {
        if (file_)
            std::fclose(file_);
    }
    bool Write(const char* data, std::size_t size) override { return std::fwrite(data, 1, size, file_) == size; }
    bool Failed() const override { return false; }
    std::string Error() const override { return std::string(); }
    int Rewind() override {
        std::fflush(file_);
        std::rewind(file_);
        return fileno(file_);
    }

private:
    std::FILE* file_ = std::tmpfile();
};

struct Paragraph {
    std::u32string text;
    std::vector<print::StyleSpan> styles;
};

// The PostScript of `paragraphs` in `font` at 10 points.
std::string Print(const std::string& font, const std::vector<Paragraph>& paragraphs) {
    print::FontChoice choice;
    t42::FontLocation location;
    std::string error, warning;
    if (!choice.ChooseMain(font, 400, false, location, error, warning))
        return error;
    std::unique_ptr<print::PrintFont> main = print::PrintFont::Open(location, error);
    if (!main)
        return error;
    print::FontSet fonts(choice, std::move(main));
    print::PageModel model;
    TemporaryScratch scratch;
    StringOutput out;
    print::PsWriter writer(model, fonts, scratch, out);
    print::PageLayout layout(model, fonts, writer);
    layout.BeginFile("styles", "");
    std::size_t line = 1;
    for (const Paragraph& paragraph : paragraphs)
        layout.Paragraph(paragraph.text, line++, 1, paragraph.styles);
    layout.EndFile();
    print::PageWriter::Fault fault;
    if (!writer.Finish(error, fault))
        return error;
    return out.text;
}

std::string CommandOutput(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, got);
        if (pclose(pipe) != 0)
            output += "\nfailed: " + command;
    }
    return output;
}

std::string Saved(const std::string& name, const std::string& text) {
    std::string path = std::string(QUELIN_BINARY_DIR) + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// The longest horizontal stretch of pixels of about `rgb` in a page that
// Ghostscript draws at 72 dpi; -1 when it cannot draw it.
int LongestStretch(const std::string& ps, std::uint32_t rgb) {
    std::string ppm = ps + ".ppm";
    if (!CommandOutput("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r72 -sOutputFile=" + ppm + " " + ps).empty())
        return -1;
    std::ifstream in(ppm, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, most = 0;
    in >> magic;
    while ((in >> std::ws).peek() == '#')
        in.ignore(1 << 16, '\n');
    in >> width >> height >> most;
    in.get();
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    int longest = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0, stretch = 0; x < width; ++x) {
            const unsigned char* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
            bool near = true;
            for (int c = 0; c < 3; ++c)
                near = near && std::abs(p[c] - static_cast<int>((rgb >> (16 - 8 * c)) & 0xFF)) < 40;
            stretch = near ? stretch + 1 : 0;
            longest = std::max(longest, stretch);
        }
    return longest;
}

print::TextStyle Style(bool bold, bool italic, bool underline = false, std::uint32_t color = print::kBlack) {
    print::TextStyle style;
    style.bold = bold;
    style.italic = italic;
    style.underline = underline;
    style.color = color;
    return style;
}

TEST(StyledPages, FamilyFacesColoursAndUnderlinesAsDrawn) {
    std::vector<Paragraph> paragraphs = {
        {U"plain bold italic both", {{6, Style(true, false)}, {11, Style(false, true)}, {18, Style(true, true)}}},
        {U"red and underlined blue", {{0, Style(false, false, false, 0xFF0000)},
                                      {8, Style(false, false, true, 0x0000FF)}}},
    };
    std::string ps = Print("DejaVu Sans Mono", paragraphs);
    for (const char* face : {"DejaVuSansMono\n", "DejaVuSansMono-Bold", "DejaVuSansMono-Oblique",
                             "DejaVuSansMono-BoldOblique"})
        EXPECT_NE(ps.find(std::string("%%BeginResource: font ") + face), std::string::npos) << face;
    EXPECT_EQ(ps.find(")B "), std::string::npos) << "the family has a bold face: nothing to embolden";
    // The italic of a bold main font is its bold italic.
    std::string boldMain = Print("DejaVu Sans Mono:bold", {{U"x", {{0, Style(false, true)}}}});
    EXPECT_NE(boldMain.find("%%BeginResource: font DejaVuSansMono-BoldOblique"), std::string::npos);
    std::string path = Saved("styled-faces.ps", ps);
    EXPECT_GE(LongestStretch(path, 0xFF0000), 3) << "no red text";
    // "underlined blue" is 15 cells of 6 points: its rule is one stretch.
    EXPECT_GE(LongestStretch(path, 0x0000FF), 85) << "no blue underline";
    std::string text = CommandOutput("ps2pdf " + path + " " + path + ".pdf && pdftotext " + path + ".pdf -");
    EXPECT_NE(text.find("plain bold italic both\nred and underlined blue"), std::string::npos) << text;
    std::string fonts = CommandOutput("pdffonts " + path + ".pdf");
    EXPECT_NE(fonts.find("DejaVuSansMono-BoldOblique"), std::string::npos) << fonts;
}

TEST(StyledPages, FamiliesWithoutFacesEmboldenAndSlant) {
    // The CJK fallback has one face: its bold is stroked and its italic
    // sheared, and its glyphs still give their text back.
    std::string ps = Print("DejaVu Sans Mono", {{U"粗体 斜体", {{0, Style(true, false)}, {2, Style(false, true)}}}});
    EXPECT_NE(ps.find(")B "), std::string::npos);
    EXPECT_NE(ps.find("makefont"), std::string::npos);
    std::string path = Saved("styled-drawn.ps", ps);
    std::string text = CommandOutput("ps2pdf " + path + " " + path + ".pdf && pdftotext -enc UTF-8 " + path + ".pdf -");
    EXPECT_NE(text.find("粗体 斜体"), std::string::npos) << text;
    // Stroked outlines darken more of the page than the same glyphs filled.
    std::string plain = Saved("styled-plain.ps", Print("DejaVu Sans Mono", {{U"粗体 斜体", {}}}));
    std::string ink = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=inkcov -r144 -o - ";
    auto coverage = [&](const std::string& file) {
        double sum = 0, part = 0;
        std::istringstream channels(CommandOutput(ink + file));
        for (int c = 0; c < 4 && channels >> part; ++c)
            sum += part;
        return sum;
    };
    double bold = coverage(path), regular = coverage(plain);
    EXPECT_GT(bold, regular * 1.1) << bold << " " << regular;
}

} // namespace
