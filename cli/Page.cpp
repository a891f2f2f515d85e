// quelin page: lines of text in one font, as a PostScript document (or
// PDF through Ghostscript) written as the text arrives.
#include "Commands.h"
#include "Document.h"
#include "ExitStatus.h"
#include "Pdf.h"
#include "TextDecoder.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace cli {

namespace {

// The font program of the converter as a supplied resource of `document`.
bool BeginDocument(DocumentWriter& document, const t42::TTPost42& converter) {
    const t42::OutputBuffer& program = converter.Program();
    return document.Begin(PostScriptName(converter), program.Data(), program.Size());
}

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

} // namespace

// The document is written as the text arrives: memory holds a chunk of the
// input and a piece of a line, never the whole text.
int PrintPage(const Options& options) {
    Converter converter;
    if (int status = MakeFaceFont(options, true, converter))
        return status;
    // An input that cannot be read fails before any output is written.
    bool fromInput = options.operands.size() == 1;
    InputReader input;
    std::size_t firstSize = fromInput ? input.Read() : 0;
    if (input.Failed())
        return Fail(kExitIo, input.Error());

    bool pdf = WantsPdf(options);
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

} // namespace cli
