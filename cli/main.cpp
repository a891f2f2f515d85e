// quelin: list the installed TrueType fonts, convert one to a Type 42 font
// program, show the code that draws text in it, or print a page.
#include "Commands.h"
#include "Document.h"
#include "ExitStatus.h"
#include "print/CffFont.h"
#include "print/FontChoice.h"
#include "Options.h"
#include "OutputFile.h"
#include "Pdf.h"
#include "TemporaryFiles.h"
#include "TextDecoder.h"

#include "quelin.h"
#include "api/Library.h"
#include "platform/Platform.h"
#include "t42/FontFacts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

namespace cli {

namespace {

constexpr const char* kVersion = "1.0.0";

// The largest drawing-code buffer for one piece of text: a piece holds at
// most TextDecoder::kPieceBytes + 1 bytes, each drawn in under 100 bytes.
constexpr std::size_t kMostCodeBytes = std::size_t(1) << 26;

// One sentence for a refused conversion: its code and the library's reason.
std::string Explain(const t42::Status& status, const std::string& faceName) {
    std::string code = " (" + std::to_string(status.code) + ")";
    if (status.check == t42::Check::notListed)
        return "no installed TrueType font is named " + Quoted(faceName) + code;
    return "cannot convert " + Quoted(faceName) + code + ": " + status.Reason();
}

std::string PostScriptName(const t42::TTPost42& converter);

// The font program of the converter as a supplied resource of `document`.
bool BeginDocument(DocumentWriter& document, const t42::TTPost42& converter) {
    const t42::OutputBuffer& program = converter.Program();
    return document.Begin(PostScriptName(converter), program.Data(), program.Size());
}

std::string PostScriptName(const t42::TTPost42& converter) {
    char name[256];
    converter.GetPSFontName(name, sizeof name);
    return name;
}

// The drawing code of pieces of text, in a buffer grown until it fits;
// the pieces are bounded, and so is the buffer.
class Drawer {
public:
    explicit Drawer(const t42::TTPost42& converter) : converter_(converter), buffer_(1 << 14) {}

    // The code of `text`; null after printing why not.
    const char* Code(const std::string& text, std::size_t& size) {
        for (;;) {
            int result = converter_.TextOut(text.c_str(), buffer_.data(), static_cast<int>(buffer_.size()));
            if (result == T42_OK) {
                size = std::strlen(buffer_.data());
                return buffer_.data();
            }
            if (result != T42_ERROR_BUFFER_TOO_SMALL || buffer_.size() >= kMostCodeBytes) {
                Fail(kExitRefused, "the library cannot draw the text (" + std::to_string(result) + ")");
                return nullptr;
            }
            buffer_.resize(buffer_.size() * 2);
        }
    }

private:
    const t42::TTPost42& converter_;
    std::vector<char> buffer_;
};

std::uint32_t RequestCodePage(const Options& options) {
    return t42::CodePageFromCharSet(static_cast<std::uint8_t>(options.charSet), platform::UserCodePage());
}

// The code page that terminal text is converted to.
std::uint32_t TextCodePage(const Options& options) {
    std::uint32_t codePage = RequestCodePage(options);
    return codePage == 0 ? platform::AnsiCodePage() : codePage;
}

} // namespace

bool OpenOutput(const Options& options, OutputFile& out, const std::vector<std::string>& texts) {
    std::vector<std::string> inputs;
    if (!options.output.empty() && options.output != "-") {
        // The fonts the command reads are protected as they are read.
        inputs = options.fontFiles;
        inputs.insert(inputs.end(), texts.begin(), texts.end());
    }
    std::string error;
    if (out.Open(options.output, inputs, error))
        return true;
    Fail(kExitIo, error);
    return false;
}

int Finish(OutputFile& out, int status) {
    if (!out.Finish())
        return Fail(kExitIo, out.Error());
    return status;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

int MakeFont(const Options& options, const std::string& faceName, std::shared_ptr<const t42::TTPost42>& converter) {
    t42::Status status;
    if (faceName.size() < LF_FACESIZE) {
        LOGFONTA request = MakeRequest(options, faceName);
        int handle = api::MakeTrueTypeFont(&request, &status);
        if (handle >= 0) {
            converter = api::FindConverter(handle);
            T42DeleteTrueTypeFont(handle);
            if (converter) {
                ProtectFromOutput(converter->Font().Path());
                return kExitOk;
            }
            status = t42::Status::Refuse(t42::kBadHandle, t42::Check::internalError);
        }
        if (status.check != t42::Check::notListed)
            return Fail(kExitRefused, Explain(status, faceName));
    }
    // A name as the list prints it, or one longer than the request's field:
    // found here, converted by location.
    t42::FontLocation location;
    if (!print::FindListedFace(faceName, location))
        return Fail(kExitRefused, Explain(t42::Status::Refuse(t42::kNoSuchFont, t42::Check::notListed), faceName));
    auto made = std::make_shared<t42::TTPost42>();
    status = made->ConvertFace(location, RequestCodePage(options));
    if (!status.Ok())
        return Fail(kExitRefused, Explain(status, faceName));
    ProtectFromOutput(location.path);
    converter = made;
    return kExitOk;
}

namespace {

// Reads standard input in chunks; a failure is kept to be reported.
class InputReader {
public:
    InputReader() : buffer_(1 << 16) {}
    // The next chunk; size 0 at the end of the input or after a failure.
    std::size_t Read() {
        for (;;) {
            ssize_t got = read(STDIN_FILENO, buffer_.data(), buffer_.size());
            if (got >= 0)
                return static_cast<std::size_t>(got);
            if (errno != EINTR) {
                error_ = errno;
                return 0;
            }
        }
    }
    const char* Data() const { return buffer_.data(); }
    bool Failed() const { return error_ != 0; }
    std::string Error() const {
        return std::string("cannot read standard input: ") + (error_ == EBADF ? "it is closed" : std::strerror(error_));
    }

private:
    std::vector<char> buffer_;
    int error_ = 0;
};

// Feeds the lines of standard input to `beginLine`, `decoder` and
// `endLine`; a carriage return before a line end is dropped. False when
// the decoder stopped.
template <typename BeginLine, typename EndLine>
bool FeedInputLines(InputReader& input, std::size_t firstSize, TextDecoder& decoder, BeginLine beginLine,
                    EndLine endLine) {
    bool lineOpen = false, heldReturn = false;
    for (std::size_t size = firstSize; size > 0; size = input.Read()) {
        const char* data = input.Data();
        std::size_t at = 0;
        while (at < size) {
            if (!lineOpen) {
                beginLine();
                lineOpen = true;
            }
            if (heldReturn && data[at] != '\n' && !decoder.Feed("\r", 1))
                return false;
            heldReturn = false;
            const char* newline = static_cast<const char*>(std::memchr(data + at, '\n', size - at));
            std::size_t end = newline ? static_cast<std::size_t>(newline - data) : size;
            std::size_t length = end - at;
            if (length > 0 && data[end - 1] == '\r') {
                --length;
                heldReturn = !newline;
            }
            if (!decoder.Feed(data + at, length))
                return false;
            at = end;
            if (newline) {
                ++at;
                lineOpen = false;
                if (!endLine())
                    return false;
            }
        }
    }
    return !lineOpen || endLine();
}

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
    std::shared_ptr<const t42::TTPost42> converter;
    if (int status = MakeFont(options, options.operands[0], converter))
        return status;
    OutputFile out;
    if (!OpenOutput(options, out))
        return kExitIo;
    out.Printf("%s\n", PostScriptName(*converter).c_str());
    return Finish(out);
}

// What the library knows of the converted font.
int ShowInfo(const Options& options) {
    if (int status = NeedFace(options, 0))
        return status;
    std::shared_ptr<const t42::TTPost42> converter;
    if (int status = MakeFont(options, options.operands[0], converter))
        return status;
    const t42::LoadedFont& font = converter->Font();
    const t42::FontFacts& facts = font.Facts();
    OutputFile out;
    if (!OpenOutput(options, out))
        return kExitIo;
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
    out.Printf("Program:           %zu bytes\n", converter->Program().Size());
    return Finish(out);
}

// A face with CFF outlines becomes a FontSet resource of the whole font.
int ConvertCff(const Options& options, const t42::FontLocation& location) {
    std::string error, name;
    std::unique_ptr<print::CffFont> font = print::CffFont::Open(location, error);
    t42::OutputBuffer program;
    if (!font || !print::WriteCffFontSet(*font, program, name, error))
        return Fail(kExitRefused, "cannot convert " + Quoted(options.operands[0]) + ": " + error);
    ProtectFromOutput(location.path);
    OutputFile out;
    if (!OpenOutput(options, out))
        return kExitIo;
    out.Write(program.Data(), program.Size());
    return Finish(out);
}

// The program is written straight from the converter: a host's copy of it
// (T42GetFontData) would double the memory of a program that can be tens
// of megabytes. The bytes are the same.
int Convert(const Options& options) {
    if (int status = NeedFace(options, 0))
        return status;
    t42::FontLocation location;
    const std::string& name = options.operands[0];
    if (!print::FindListedFace(name, location) && print::FindCffFace(name, location))
        return ConvertCff(options, location);
    std::shared_ptr<const t42::TTPost42> converter;
    if (int status = MakeFont(options, options.operands[0], converter))
        return status;
    const t42::OutputBuffer& program = converter->Program();
    OutputFile out;
    if (!OpenOutput(options, out))
        return kExitIo;
    out.Write(program.Data(), program.Size());
    return Finish(out);
}

int ShowText(const Options& options) {
    if (int status = NeedFace(options, 1))
        return status;
    if (options.operands.size() < 2)
        return Fail(kExitUsage, "command text needs a face name and some text");
    std::shared_ptr<const t42::TTPost42> converter;
    if (int status = MakeFont(options, options.operands[0], converter))
        return status;
    OutputFile out;
    if (!OpenOutput(options, out))
        return kExitIo;
    Drawer drawer(*converter);
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
    return Finish(out, decoder.Errors() ? kExitPartial : kExitOk);
}

// The document is written as the text arrives: memory holds a chunk of the
// input and a piece of a line, never the whole text.
int PrintPage(const Options& options) {
    if (int status = NeedFace(options, 1))
        return status;
    std::shared_ptr<const t42::TTPost42> converter;
    if (int status = MakeFont(options, options.operands[0], converter))
        return status;
    // An input that cannot be read fails before any output is written.
    bool fromInput = options.operands.size() == 1;
    InputReader input;
    std::size_t firstSize = fromInput ? input.Read() : 0;
    if (input.Failed())
        return Fail(kExitIo, input.Error());

    bool pdf = EndsWith(options.output, ".pdf") || EndsWith(options.output, ".PDF");
    OutputFile out, scratch;
    if (!OpenOutput(options, out))
        return kExitIo;
    std::string error;
    if (pdf && !scratch.OpenScratch(error))
        return Fail(kExitIo, error);
    OutputFile& written = pdf ? scratch : out;
    DocumentWriter document(written, PaperSetup(options.paper, options.size));
    if (!BeginDocument(document, *converter))
        return Fail(kExitIo, written.Error());

    Drawer drawer(*converter);
    bool failed = false;
    TextDecoder decoder(TextCodePage(options), options.raw, [&](const std::string& piece) {
        std::size_t size = 0;
        const char* code = drawer.Code(piece, size);
        failed = failed || !code;
        return code && document.LineCode(code, size);
    });
    std::size_t lineNumber = 0;
    auto beginLine = [&] {
        document.BeginLine();
        decoder.BeginLine(++lineNumber);
    };
    auto endLine = [&] { return decoder.EndLine(); };
    if (fromInput) {
        FeedInputLines(input, firstSize, decoder, beginLine, endLine);
    } else {
        for (std::size_t i = 1; i < options.operands.size() && !failed && !written.Failed(); ++i) {
            beginLine();
            const std::string& text = options.operands[i];
            decoder.Feed(text.data(), text.size()) && decoder.EndLine();
        }
    }
    decoder.FinishWarnings();
    if (failed)
        return kExitRefused;
    if (input.Failed())
        return Fail(kExitIo, input.Error());
    if (!document.End())
        return Fail(kExitIo, written.Error());
    int status = decoder.Errors() ? kExitPartial : kExitOk;
    if (pdf) {
        int made = MakePdf(scratch, out);
        return made ? made : status;
    }
    return Finish(out, status);
}

} // namespace

int Run(int argc, char** argv) {
    GuardStandardDescriptors();
    InstallSignalCleanup();
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error))
        return Fail(kExitUsage, error + " (see quelin --help)");
    if (options.help || options.version) {
        OutputFile out;
        if (!out.Open("-", {}, error))
            return Fail(kExitIo, error);
        if (options.help)
            out.Write(kUsage, std::strlen(kUsage));
        else
            out.Printf("quelin %s\n", kVersion);
        return Finish(out);
    }
    // A file of CFF fonts is for print and convert, through fontconfig.
    for (const std::string& file : options.fontFiles)
        if (!platform::AddFontFile(file, error) && !print::AddCffFontFile(file))
            return Fail(kExitIo, error);
    if (options.command == "list")
        return ListFonts(options);
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
    if (options.command == "print")
        return PrintText(options);
    if (options.command.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    return Fail(kExitUsage, "unknown command " + Quoted(options.command) + " (see quelin --help)");
}

} // namespace cli

// Running out of memory (or any other exception) ends in one sentence and
// status 3; the output file, if any, is left as it was by its own cleanup.
int main(int argc, char** argv) {
    try {
        return cli::Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("quelin: not enough memory\n", stderr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quelin: %s\n", error.what());
    }
    return cli::kExitIo;
}
