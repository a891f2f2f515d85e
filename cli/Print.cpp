// quelin print: text files to PostScript or PDF, every character from a
// font that has it, shaped and ordered, with only the glyphs the job uses.
//
// The input is read once. The pages go to a scratch file as they are laid
// out, while the glyphs they use are given their codes; then the document
// is written: the header, the prolog, each used font's program with the
// encodings that draw its codes, and the pages copied from the scratch
// file. Memory holds the fonts, a paragraph and a bounded cache of shaped
// words, whatever the size of the text.
#include "Commands.h"
#include "Document.h"
#include "ExitStatus.h"
#include "FontChoice.h"
#include "PageLayout.h"
#include "Pdf.h"
#include "Shaper.h"
#include "TextDecoder.h"

#include "platform/Utf8.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

namespace {

// A paragraph longer than this many characters is laid out in pieces, each
// ending at a space where one is near.
constexpr std::size_t kLongestParagraph = 16384;
constexpr std::size_t kMostWarnings = 100;

struct Input {
    std::string name; // as given; "" for standard input
    int descriptor = -1;
    off_t size = 0;   // of a regular file, for the progress
    std::string date; // for the header
};

// The header's date: SOURCE_DATE_EPOCH (in UTC) when it is set, else the
// file's modification time (local time).
std::string DateText(time_t modified) {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    struct tm parts;
    char* end = nullptr;
    long long seconds = epoch && *epoch ? std::strtoll(epoch, &end, 10) : 0;
    bool fixed = epoch && *epoch && *end == 0 && seconds >= 0;
    time_t when = fixed ? static_cast<time_t>(seconds) : modified;
    if (!(fixed ? gmtime_r(&when, &parts) : localtime_r(&when, &parts)))
        return std::string();
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts);
    return text;
}

// Progress on standard error, when it is a terminal and the job has taken
// more than a second.
class Progress {
public:
    Progress() : terminal_(isatty(STDERR_FILENO) == 1), start_(Now()) {}
    ~Progress() { Clear(); }
    void Tick(const std::string& name, off_t done, off_t size, std::size_t pages) {
        if (!terminal_)
            return;
        double now = Now();
        if (now - start_ < 1 || now - last_ < 0.2)
            return;
        last_ = now;
        std::string text = "quelin: " + (name.empty() ? std::string("standard input") : name);
        if (size > 0)
            text += ": " + std::to_string(done * 100 / size) + "%";
        text += ", page " + std::to_string(pages);
        std::fprintf(stderr, "\r%s\033[K", text.c_str());
        shown_ = true;
    }
    void Clear() {
        if (shown_)
            std::fputs("\r\033[K", stderr);
        shown_ = false;
    }

private:
    static double Now() {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }
    bool terminal_;
    double start_, last_ = 0;
    bool shown_ = false;
};

// Reads one input, decodes it strictly and hands its paragraphs to the
// printer: a line of the input, its part before or after a form feed, or a
// piece of a very long line.
class InputPrinter {
public:
    InputPrinter(TextPrinter& printer, Progress& progress) : printer_(printer), progress_(progress) {
        text_.reserve(kLongestParagraph + 8);
    }

    // False with a sentence in `error` when the input cannot be read.
    bool Print(const Input& input, std::string& error) {
        name_ = input.name;
        line_ = 1;
        column_ = 1;
        text_.clear();
        formFeedOnLine_ = false;
        std::vector<unsigned char> buffer(1 << 16);
        std::size_t pending = 0; // bytes of a sequence the next read may finish
        off_t done = 0;
        std::size_t reads = 0;
        for (;;) {
            ssize_t got = read(input.descriptor, buffer.data() + pending, buffer.size() - pending);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                error = "cannot read " + Describe() + ": " + (errno == EISDIR ? "it is a folder" : std::strerror(errno));
                return false;
            }
            done += got;
            std::size_t size = pending + static_cast<std::size_t>(got);
            bool last = got == 0;
            pending = Decode(buffer.data(), size, last);
            if (last)
                break;
            std::memmove(buffer.data(), buffer.data() + size - pending, pending);
            if (++reads % 4 == 0)
                progress_.Tick(name_, done, input.size, printer_.Pages());
        }
        if (!text_.empty() || (column_ > 1 && !formFeedOnLine_))
            EndParagraph();
        return true;
    }

    std::size_t Errors() const { return errors_; }
    void FinishWarnings() {
        if (warnings_ > kMostWarnings)
            Warn(std::to_string(warnings_ - kMostWarnings) + " more warnings like these were left out");
    }

private:
    std::string Describe() const { return name_.empty() ? "standard input" : Quoted(name_); }

    // Decodes bytes[0, size); gives how many bytes at the end start a
    // character that the next read may finish.
    std::size_t Decode(const unsigned char* bytes, std::size_t size, bool last) {
        std::size_t at = 0;
        while (at < size) {
            unsigned char byte = bytes[at];
            if (byte < 0x80 && byte != 0) {
                ++at;
                if (byte >= 0x20 && byte != 0x7F)
                    Add(byte);
                else if (byte == '\n')
                    EndLine();
                else if (byte == '\t')
                    Add(byte);
                else if (byte == '\f')
                    FormFeed();
                else if (byte == '\r' && (at == size || bytes[at] == '\n'))
                    ++column_; // a line end's carriage return is dropped
                else
                    ++column_; // other controls draw nothing
                continue;
            }
            platform::Utf8Step step = platform::DecodeUtf8(bytes + at, size - at);
            if (step.truncated && !last)
                return size - at;
            if (step.valid && step.codePoint != 0) {
                if (step.codePoint >= 0xA0)
                    Add(step.codePoint);
                else
                    ++column_;
            } else {
                ++errors_;
                std::string where = (name_.empty() ? std::string() : Quoted(name_) + ", ") + "line " +
                                    std::to_string(line_) + ", column " + std::to_string(column_) + ": ";
                if (step.length == 1 && bytes[at] == 0)
                    Warning(where + "a NUL byte is drawn as '?'");
                else
                    Warning(where + ShownBytes(bytes + at, step.length) + " is not UTF-8; it is drawn as '?'");
                Add('?');
            }
            at += step.length;
        }
        return 0;
    }

    void Add(char32_t c) {
        if (text_.empty())
            textColumn_ = column_;
        text_ += c;
        ++column_;
        if (text_.size() >= kLongestParagraph)
            SplitLongParagraph();
    }

    void SplitLongParagraph() {
        std::size_t cut = text_.rfind(U' ');
        if (cut == std::u32string::npos || cut + 1024 < text_.size())
            cut = text_.size() - 64;
        else
            ++cut;
        std::u32string rest = text_.substr(cut);
        text_.resize(cut);
        printer_.Paragraph(text_, line_, textColumn_);
        text_ = rest;
        textColumn_ += cut;
    }

    void EndParagraph() {
        printer_.Paragraph(text_, line_, textColumn_);
        text_.clear();
    }

    void EndLine() {
        if (!text_.empty() || !formFeedOnLine_)
            EndParagraph();
        ++line_;
        column_ = 1;
        formFeedOnLine_ = false;
    }

    void FormFeed() {
        if (!text_.empty())
            EndParagraph();
        printer_.FormFeed();
        formFeedOnLine_ = true;
        ++column_;
    }

    void Warning(const std::string& message) {
        if (++warnings_ <= kMostWarnings)
            Warn(message);
    }

    TextPrinter& printer_;
    Progress& progress_;
    std::string name_;
    std::u32string text_;
    std::size_t line_ = 1, column_ = 1, textColumn_ = 1;
    bool formFeedOnLine_ = false;
    std::size_t errors_ = 0, warnings_ = 0;
};

bool OpenInputs(const Options& options, std::vector<Input>& inputs, std::string& error) {
    std::vector<std::string> names = options.operands;
    if (names.empty())
        names.push_back("-");
    for (const std::string& name : names) {
        Input input;
        struct stat status;
        if (name == "-") {
            input.descriptor = STDIN_FILENO;
        } else {
            input.name = name;
            input.descriptor = open(name.c_str(), O_RDONLY | O_CLOEXEC);
            if (input.descriptor < 0) {
                error = "cannot read " + Quoted(name) + ": " +
                        (errno == ENOENT ? std::string("it does not exist") : std::strerror(errno));
                return false;
            }
        }
        bool known = fstat(input.descriptor, &status) == 0;
        if (known && S_ISDIR(status.st_mode)) {
            error = "cannot read " + Quoted(name) + ": it is a folder";
            return false;
        }
        if (known && S_ISREG(status.st_mode))
            input.size = status.st_size;
        input.date = DateText(known && S_ISREG(status.st_mode) ? status.st_mtime : time(nullptr));
        inputs.push_back(input);
    }
    return true;
}

// PostScript text for a DSC comment or a name: printable ASCII only.
std::string CommentText(const std::string& text) {
    std::string clean;
    for (char c : text)
        if (c > ' ' && c < 0x7F && c != '(' && c != ')' && c != '%')
            clean += c;
    return clean.empty() ? "Untitled" : clean;
}

// Writes the document: its header, prolog and setup with the fonts, then
// the pages from `body`. False after a failed write or read (the error is
// in `error`).
bool WriteDocument(OutputFile& out, OutputFile& body, FontSet& fonts, const TextPrinter& printer,
                   const PrintSetup& setup, int& status, std::string& error) {
    std::string width = Number(setup.width), height = Number(setup.height);
    std::vector<int> used;
    for (std::size_t id = 0; id < fonts.Count(); ++id)
        if (!fonts.Font(static_cast<int>(id)).Drawn().empty())
            used.push_back(static_cast<int>(id));
    std::string head = "%!PS-Adobe-3.0\n%%Creator: quelin print\n%%LanguageLevel: 2\n";
    head += "%%BoundingBox: 0 0 " + width + " " + height + "\n";
    head += "%%DocumentData: Clean8Bit\n";
    head += "%%DocumentMedia: Plain " + width + " " + height + " 0 () ()\n";
    for (std::size_t i = 0; i < used.size(); ++i)
        head += std::string(i == 0 ? "%%DocumentSuppliedResources:" : "%%+") + " font " +
                CommentText(fonts.Font(used[i]).PostScriptName()) + "\n";
    head += "%%Pages: " + std::to_string(printer.Pages()) + "\n%%PageOrder: Ascend\n%%EndComments\n";
    head += "%%BeginProlog\n";
    head += "/M {moveto} bind def /R {0 rmoveto} bind def /V {rmoveto} bind def /S {show} bind def\n";
    head += "/XR " + Number(setup.width - setup.margin) + " def\n";
    head += "/H {/Hs exch def /Hy exch def Hs stringwidth pop add XR exch sub Hy moveto} bind def\n";
    head += "/RE {dup length dict begin {1 index /FID ne {def} {pop pop} ifelse} forall /Encoding exch def\n"
            " currentdict end definefont " + Number(setup.fontSize) + " scalefont} bind def\n";
    head += "%%EndProlog\n%%BeginSetup\n";
    head += "[{\n%%BeginFeature: *PageSize " + std::string(setup.width == 612 ? "Letter" : "A4") +
            "\n<< /PageSize [" + width + " " + height + "] >> setpagedevice\n%%EndFeature\n} stopped cleartomark\n";
    out.Write(head);

    // Each used font once, with its encodings.
    std::vector<std::vector<std::string>> tokensOf(fonts.Count());
    for (int id : used) {
        PrintFont& font = fonts.Font(id);
        t42::OutputBuffer program;
        std::vector<std::string>& tokens = tokensOf[static_cast<std::size_t>(id)];
        t42::Status made = font.Converter().SubsetProgram(font.Drawn(), program, tokens);
        if (!made.Ok() || tokens.size() != font.Drawn().size()) {
            status = kExitRefused;
            error = "cannot write the glyphs of \"" + font.Location().path + "\" (" + std::to_string(made.code) +
                    "): " + made.Reason();
            return false;
        }
        std::string name = font.PostScriptName();
        out.Write("%%BeginResource: font " + CommentText(name) + "\n");
        out.Write(program.Data(), program.Size());
        if (program.Size() > 0 && program.Data()[program.Size() - 1] != '\n')
            out.Write("\n");
        out.Write("%%EndResource\n/Q" + std::to_string(id) + " " + (name.empty() ? "() cvn" : "/" + name) +
                  " findfont def\n");
    }
    const std::vector<std::pair<int, int>>& encodings = printer.Encodings();
    for (std::size_t key = 0; key < encodings.size(); ++key) {
        int id = encodings[key].first, number = encodings[key].second;
        PrintFont& font = fonts.Font(id);
        const std::vector<std::string>& tokens = tokensOf[static_cast<std::size_t>(id)];
        std::vector<const std::string*> slots(256, nullptr);
        for (std::size_t i = 0; i < font.Drawn().size(); ++i) {
            int code = font.KnownCode(font.Drawn()[i].glyph);
            if ((code >> 8) == number)
                slots[static_cast<std::size_t>(code & 0xFF)] = &tokens[i];
        }
        std::string k = std::to_string(key);
        std::string text = "/D" + k + " /Q" + std::to_string(id) + "." + std::to_string(number) + " [";
        std::size_t lineStart = 0;
        for (const std::string* slot : slots) {
            if (text.size() - lineStart > 200) {
                text += "\n";
                lineStart = text.size();
            }
            text += slot ? *slot : std::string("/.notdef");
            text += ' ';
        }
        text += "] Q" + std::to_string(id) + " RE def /f" + k + " {D" + k + " setfont} bind def\n";
        out.Write(text);
    }
    // The page counts that the headers show.
    const std::vector<std::size_t>& filePages = printer.FilePages();
    for (std::size_t file = 0; setup.header && file < filePages.size(); ++file)
        out.Write("/P" + std::to_string(file) + " (" + std::to_string(filePages[file]) + ") def\n");
    out.Write("%%EndSetup\n");

    int descriptor = body.RewindScratch();
    if (descriptor < 0) {
        status = kExitIo;
        error = body.Error();
        return false;
    }
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t got = read(descriptor, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            status = kExitIo;
            error = std::string("cannot read back the pages: ") + std::strerror(errno);
            return false;
        }
        if (got == 0)
            break;
        out.Write(buffer.data(), static_cast<std::size_t>(got));
    }
    out.Write("%%Trailer\n%%EOF\n");
    return true;
}

} // namespace

int PrintText(const Options& options) {
    if (options.raw)
        return Fail(kExitUsage, "option --raw does not apply to print (its input is UTF-8)");
    std::string error, warning;
    std::vector<Input> inputs;
    if (!OpenInputs(options, inputs, error))
        return Fail(kExitIo, error);

    FontChoice choice;
    t42::FontLocation location;
    std::string fontName = options.font.empty() ? "monospace" : options.font;
    if (!choice.ChooseMain(fontName, options.weight, options.italic, location, error, warning))
        return Fail(kExitRefused, error);
    if (!warning.empty())
        Warn(warning);
    std::unique_ptr<PrintFont> main = PrintFont::Open(location, error);
    if (!main)
        return Fail(kExitRefused, error);
    FontSet fonts(choice, std::move(main));

    bool pdf = EndsWith(options.output, ".pdf") || EndsWith(options.output, ".PDF");
    std::vector<std::string> texts;
    for (const Input& input : inputs)
        if (!input.name.empty())
            texts.push_back(input.name);
    OutputFile out, scratch, body;
    if (!OpenOutput(options, out, texts))
        return kExitIo;
    if ((pdf && !scratch.OpenScratch(error)) || !body.OpenScratch(error))
        return Fail(kExitIo, error);
    OutputFile& written = pdf ? scratch : out;

    PrintSetup setup = PrintPaper(options.paper, options.sizeGiven ? options.size : 10, options.header);
    TextPrinter printer(setup, fonts, body);
    Progress progress;
    InputPrinter reader(printer, progress);
    for (const Input& input : inputs) {
        printer.BeginFile(input.name.empty() ? "standard input" : input.name, input.date);
        if (!reader.Print(input, error))
            return Fail(kExitIo, error);
        printer.EndFile();
        if (body.Failed())
            return Fail(kExitIo, body.Error());
    }
    progress.Clear();
    reader.FinishWarnings();
    for (const std::string& problem : fonts.TakeWarnings())
        Warn(problem);

    int status = kExitOk;
    if (!WriteDocument(written, body, fonts, printer, setup, status, error))
        return Fail(status, error);
    if (written.Failed())
        return Fail(kExitIo, written.Error());

    for (const MissingCharacter& missing : printer.Missing())
        Warn(CodePointName(missing.codePoint) + " is in no installed TrueType font; drawn as the main font's glyph 0 " +
             std::to_string(missing.count) + (missing.count == 1 ? " time" : " times") + ", first at " +
             (missing.file == "standard input" ? std::string() : Quoted(missing.file) + ", ") + "line " +
             std::to_string(missing.line) + ", column " + std::to_string(missing.column));
    status = reader.Errors() || !printer.Missing().empty() ? kExitPartial : kExitOk;
    if (pdf) {
        int made = MakePdf(scratch, out);
        return made ? made : status;
    }
    return Finish(out, status);
}

} // namespace cli
