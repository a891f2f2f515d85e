// quelin: list the installed TrueType fonts, convert one to a Type 42 font
// program, show the code that draws text in it, or print a page.
#include "Document.h"
#include "Options.h"

#include "quelin.h"
#include "api/Library.h"
#include "platform/Platform.h"
#include "t42/FontFacts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <sys/wait.h>

namespace cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr int kExitIo = 3;
constexpr const char* kVersion = "1.0.0";

int Fail(int status, const std::string& message) {
    std::fprintf(stderr, "quelin: %s\n", message.c_str());
    return status;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// One sentence for a refused conversion: its code and the library's reason.
std::string Explain(const t42::Status& status, const std::string& faceName) {
    std::string code = " (" + std::to_string(status.code) + ")";
    if (status.check == t42::Check::notListed)
        return "no installed TrueType font is named " + Quoted(faceName) + code;
    return "cannot convert " + Quoted(faceName) + code + ": " + status.Reason();
}

// A longer name would be cut to the field and could find another font.
bool FaceNameFits(const std::string& faceName) {
    if (faceName.size() < LF_FACESIZE)
        return true;
    Fail(kExitUsage, "a face name holds at most " + std::to_string(LF_FACESIZE - 1) + " bytes: " +
                         Quoted(faceName));
    return false;
}

// Converts the font that the options and `faceName` describe; the handle,
// or 0 after printing why not.
int MakeFont(const Options& options, const std::string& faceName) {
    if (!FaceNameFits(faceName))
        return 0;
    LOGFONTA request = MakeRequest(options, faceName);
    t42::Status status;
    int handle = api::MakeTrueTypeFont(&request, &status);
    if (handle < 0) {
        Fail(kExitRefused, Explain(status, faceName));
        return 0;
    }
    return handle;
}

std::string FontProgram(int handle) {
    HGLOBAL block = T42GetFontData(handle);
    if (!block)
        return std::string();
    const char* bytes = static_cast<const char*>(T42GlobalLock(block));
    std::string program(bytes, T42GlobalSize(block));
    T42GlobalUnlock(block);
    T42GlobalFree(block);
    return program;
}

std::string PostScriptName(int handle) {
    char name[256];
    T42GetPSFontName(handle, name, sizeof name);
    return name;
}

// The drawing code of one line of text, in a buffer grown until it fits.
std::string DrawingCode(int handle, const std::string& text) {
    std::vector<char> buffer(4096);
    for (;;) {
        int result = T42TextOut(handle, text.c_str(), buffer.data(), static_cast<int>(buffer.size()));
        if (result != T42_ERROR_BUFFER_TOO_SMALL)
            return buffer.data();
        buffer.resize(buffer.size() * 2);
    }
}

std::uint32_t RequestCodePage(const Options& options) {
    return t42::CodePageFromCharSet(static_cast<std::uint8_t>(options.charSet), platform::UserCodePage());
}

// Terminal text (UTF-8) in the request's code page, naming what it lacks.
std::string HostText(const Options& options, const std::string& utf8) {
    if (options.raw)
        return utf8;
    std::uint32_t codePage = RequestCodePage(options);
    if (codePage == 0)
        codePage = platform::AnsiCodePage();
    std::vector<std::uint32_t> missing;
    std::string text = platform::Utf8ToCodePage(utf8, codePage, &missing);
    for (std::uint32_t codePoint : missing) {
        char name[16];
        std::snprintf(name, sizeof name, "U+%04X", codePoint);
        std::fprintf(stderr, "quelin: warning: code page %u has no %s; it is written as '?'\n",
                     codePage, name);
    }
    return text;
}

bool WriteOutput(const Options& options, const char* bytes, std::size_t size) {
    if (options.output.empty() || options.output == "-")
        return std::fwrite(bytes, 1, size, stdout) == size && std::fflush(stdout) == 0;
    std::FILE* file = std::fopen(options.output.c_str(), "wb");
    if (!file)
        return false;
    bool written = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

bool WriteOutput(const Options& options, const std::string& bytes) {
    return WriteOutput(options, bytes.data(), bytes.size());
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Whether Ghostscript can be run.
bool HaveGhostscript() { return std::system("gs --version >/dev/null 2>&1") == 0; }

// Turns a PostScript file into a PDF with Ghostscript.
int MakePdf(const std::string& postScript, const std::string& pdfPath) {
    if (!HaveGhostscript())
        return Fail(kExitIo, "a PDF needs Ghostscript (gs), which is not installed; "
                             "write PostScript with -o NAME.ps instead");
    char temporary[] = "/tmp/quelin-page-XXXXXX";
    int descriptor = mkstemp(temporary);
    if (descriptor < 0)
        return Fail(kExitIo, "cannot create a temporary file");
    bool written = write(descriptor, postScript.data(), postScript.size()) ==
                   static_cast<ssize_t>(postScript.size());
    close(descriptor);
    if (!written) {
        unlink(temporary);
        return Fail(kExitIo, "cannot write a temporary file");
    }
    pid_t child = fork();
    if (child == 0) {
        std::string output = "-sOutputFile=" + pdfPath;
        execlp("gs", "gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite", output.c_str(),
               temporary, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) < 0)
        status = -1;
    unlink(temporary);
    if (status != 0)
        return Fail(kExitIo, "Ghostscript could not make " + Quoted(pdfPath));
    return kExitOk;
}

int ListFonts() {
    for (const platform::FontValue& value : platform::CurrentFontValues())
        std::printf("%s\t%s\n", value.name.c_str(), value.data.c_str());
    return kExitOk;
}

int NeedFace(const Options& options, std::size_t extra) {
    if (options.operands.empty())
        return Fail(kExitUsage, "command " + options.command + " needs a face name");
    if (extra == 0 && options.operands.size() > 1)
        return Fail(kExitUsage, "command " + options.command + " takes one face name (quote names with blanks)");
    return kExitOk;
}

int ShowName(const Options& options) {
    if (int status = NeedFace(options, 0))
        return status;
    int handle = MakeFont(options, options.operands[0]);
    if (!handle)
        return kExitRefused;
    std::printf("%s\n", PostScriptName(handle).c_str());
    T42DeleteTrueTypeFont(handle);
    return kExitOk;
}

// What the library knows of the converted font.
int ShowInfo(const Options& options) {
    if (int status = NeedFace(options, 0))
        return status;
    int handle = MakeFont(options, options.operands[0]);
    if (!handle)
        return kExitRefused;
    std::shared_ptr<const t42::TTPost42> converter = api::FindConverter(handle);
    const t42::LoadedFont& font = converter->Font();
    const t42::FontFacts& facts = font.Facts();
    std::printf("Face name:         %s\n", options.operands[0].c_str());
    std::printf("File:              %s\n", font.Path().c_str());
    std::printf("Face index:        %d\n", font.FaceIndex());
    std::printf("PostScript name:   %s\n", facts.fontName);
    std::printf("Full name:         %s\n", facts.fullName);
    std::printf("Family name:       %s\n", facts.familyName);
    std::printf("Weight:            %s\n", facts.weight);
    std::printf("Version:           %s\n", facts.version);
    std::printf("Italic angle:      %s\n", facts.italicAngle);
    std::printf("Fixed pitch:       %s\n", facts.isFixedPitch ? "yes" : "no");
    std::printf("Glyphs:            %d\n", facts.numGlyphs);
    std::printf("Units per em:      %u\n", facts.unitsPerEm);
    std::printf("Bounding box:      %d %d %d %d (thousandths of an em)\n", facts.fontBBox[0],
                facts.fontBBox[1], facts.fontBBox[2], facts.fontBBox[3]);
    std::printf("Underline:         position %d, thickness %d (font units)\n", facts.underlinePosition,
                facts.underlineThickness);
    std::printf("Notice:            %s\n", facts.notice);
    std::printf("Code page:         %u\n", font.CodePage());
    std::printf("Program:           %zu bytes\n", converter->Program().Size());
    T42DeleteTrueTypeFont(handle);
    return kExitOk;
}

// The program is written straight from the converter: a host's copy of it
// (T42GetFontData) would double the memory of a program that can be tens
// of megabytes. The bytes are the same.
int Convert(const Options& options) {
    if (int status = NeedFace(options, 0))
        return status;
    int handle = MakeFont(options, options.operands[0]);
    if (!handle)
        return kExitRefused;
    std::shared_ptr<const t42::TTPost42> converter = api::FindConverter(handle);
    T42DeleteTrueTypeFont(handle);
    const t42::OutputBuffer& program = converter->Program();
    if (!WriteOutput(options, program.Data(), program.Size()))
        return Fail(kExitIo, "cannot write " + Quoted(options.output.empty() ? "standard output" : options.output));
    return kExitOk;
}

int ShowText(const Options& options) {
    if (int status = NeedFace(options, 1))
        return status;
    if (options.operands.size() < 2)
        return Fail(kExitUsage, "command text needs a face name and some text");
    int handle = MakeFont(options, options.operands[0]);
    if (!handle)
        return kExitRefused;
    std::string code;
    for (std::size_t i = 1; i < options.operands.size(); ++i)
        code += DrawingCode(handle, HostText(options, options.operands[i]));
    T42DeleteTrueTypeFont(handle);
    if (!WriteOutput(options, code))
        return Fail(kExitIo, "cannot write " + Quoted(options.output));
    return kExitOk;
}

int PrintPage(const Options& options) {
    if (int status = NeedFace(options, 1))
        return status;
    std::vector<std::string> lines(options.operands.begin() + 1, options.operands.end());
    if (lines.empty()) {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
    }
    int handle = MakeFont(options, options.operands[0]);
    if (!handle)
        return kExitRefused;
    std::vector<std::string> code;
    for (const std::string& line : lines)
        code.push_back(DrawingCode(handle, HostText(options, line)));
    std::string document =
        MakeDocument(PostScriptName(handle), FontProgram(handle), code, PaperSetup(options.paper, options.size));
    T42DeleteTrueTypeFont(handle);
    if (EndsWith(options.output, ".pdf") || EndsWith(options.output, ".PDF"))
        return MakePdf(document, options.output);
    if (!WriteOutput(options, document))
        return Fail(kExitIo, "cannot write " + Quoted(options.output));
    return kExitOk;
}

} // namespace

int Run(int argc, char** argv) {
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error))
        return Fail(kExitUsage, error + " (see quelin --help)");
    if (options.help) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("quelin %s\n", kVersion);
        return kExitOk;
    }
    for (const std::string& file : options.fontFiles)
        if (!platform::AddFontFile(file, error))
            return Fail(kExitIo, error);
    if (options.command == "list")
        return ListFonts();
    if (options.command == "name")
        return ShowName(options);
    if (options.command == "info")
        return ShowInfo(options);
    if (options.command == "convert")
        return Convert(options);
    if (options.command == "text")
        return ShowText(options);
    if (options.command == "page")
        return PrintPage(options);
    if (options.command.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    return Fail(kExitUsage, "unknown command " + Quoted(options.command) + " (see quelin --help)");
}

} // namespace cli

int main(int argc, char** argv) { return cli::Run(argc, argv); }
