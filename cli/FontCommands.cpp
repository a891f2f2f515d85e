// The commands that show a converted font: the list of fonts, a font's
// names and facts, its program, and the code that draws text in it.
#include "Commands.h"
#include "ExitStatus.h"
#include "TextDecoder.h"

#include "platform/Platform.h"
#include "t42/FontFacts.h"

namespace cli {

int ListFonts(const Options& options) {
    if (!options.operands.empty())
        return Fail(kExitUsage, "command list takes no operands");
    OutputFile out;
    if (!OpenOutput(options, out))
        return kExitIo;
    for (const platform::FontValue& value : platform::CurrentFontValues())
        if (!out.Printf("%s\t%s\n", value.name.c_str(), value.data.c_str()))
            break;
    return Finish(out);
}

int ShowName(const Options& options) {
    return RunOnFace(options, false, [](const t42::TTPost42& converter, OutputFile& out) {
        out.Printf("%s\n", PostScriptName(converter).c_str());
        return kExitOk;
    });
}

// What the library knows of the converted font.
int ShowInfo(const Options& options) {
    return RunOnFace(options, false, [&](const t42::TTPost42& converter, OutputFile& out) {
        const t42::LoadedFont& font = converter.Font();
        const t42::FontFacts& facts = font.Facts();
        out.Printf("Face name:         %s\n", options.operands[0].c_str());
        out.Printf("File:              %s\n", font.Path().c_str());
        out.Printf("Face index:        %d\n", font.FaceIndex());
        out.Printf("PostScript name:   %s\n", facts.fontName);
        out.Printf("Full name:         %s\n", facts.fullName);
        out.Printf("Family name:       %s\n", facts.familyName);
        out.Printf("Weight:            %s\n", facts.weight);
        out.Printf("Version:           %s\n", facts.version);
        out.Printf("Italic angle:      %s\n", facts.italicAngle);
        out.Printf("Fixed pitch:       %s\n", facts.isFixedPitch ? "yes" : "no");
        out.Printf("Glyphs:            %d\n", facts.numGlyphs);
        out.Printf("Units per em:      %u\n", facts.unitsPerEm);
        out.Printf("Bounding box:      %d %d %d %d (thousandths of an em)\n", facts.fontBBox[0],
                    facts.fontBBox[1], facts.fontBBox[2], facts.fontBBox[3]);
        out.Printf("Underline:         position %d, thickness %d (font units)\n", facts.underlinePosition,
                    facts.underlineThickness);
        out.Printf("Notice:            %s\n", facts.notice);
        out.Printf("Code page:         %u\n", font.CodePage());
        out.Printf("Program:           %zu bytes\n", converter.Program().Size());
        return kExitOk;
    });
}

// The program is written straight from the converter: a host's copy of it
// (T42GetFontData) would double the memory of a program that can be tens
// of megabytes. The bytes are the same.
namespace {

// Takes a streamed program into the output file.
class OutputFileSink : public t42::OutputSink {
public:
    explicit OutputFileSink(OutputFile& out) : out_(out) {}
    void Take(const char* data, std::size_t size) override { out_.Write(data, size); }

private:
    OutputFile& out_;
};

} // namespace

// No handle outlives the command, so the program is written out as it is
// made rather than kept whole: a window of it at a time stays in the
// processor's cache, and the memory of the whole program is never touched.
// Only a font that loads opens the output; the bytes are those of
// T42GetFontData.
int Convert(const Options& options) {
    t42::TTPost42 converter;
    if (int status = LoadFaceFont(options, converter))
        return status;
    OutputFile out;
    if (!OpenOutput(options, out))
        return kExitIo;
    OutputFileSink sink(out);
    t42::OutputBuffer program(sink);
    converter.WriteProgram(program);
    return Finish(out);
}

int ShowText(const Options& options) {
    if (options.operands.size() == 1)
        return Fail(kExitUsage, "command text needs a face name and some text");
    return RunOnFace(options, true, [&](const t42::TTPost42& converter, OutputFile& out) {
        Drawer drawer(converter);
        bool drawn = false, failed = false;
        auto draw = [&](const std::string& piece) {
            std::size_t size = 0;
            const char* code = drawer.Code(piece, size);
            failed = failed || !code;
            drawn = true;
            return code && out.Write(code, size);
        };
        TextDecoder decoder(TextCodePage(options), options.raw, draw);
        for (std::size_t i = 1; i < options.operands.size() && !failed && !out.Failed(); ++i) {
            const std::string& text = options.operands[i];
            decoder.BeginLine(i);
            drawn = false;
            // An empty line still gets its line of code.
            if (decoder.Feed(text.data(), text.size()) && decoder.EndLine() && !drawn)
                draw(std::string());
        }
        decoder.FinishWarnings();
        if (failed)
            return kExitRefused;
        return decoder.Errors() ? kExitPartial : kExitOk;
    });
}

} // namespace cli
