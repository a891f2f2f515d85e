#include "PrintJob.h"
#include "Layout.h"
#include "PdfWriter.h"
#include "PsWriter.h"
#include "TextInput.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace print {

namespace {

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

// Passes on only the pages asked for, numbered through the document from
// 1; the files' page counts stay those of all their pages.
class PageSelection : public PageWriter {
public:
    PageSelection(PageWriter& writer, const std::vector<std::pair<std::size_t, std::size_t>>& ranges)
        : writer_(writer), ranges_(ranges) {}
    void BeginFile(const FileInfo& file) override { writer_.BeginFile(file); }
    void WritePage(const Page& page) override {
        ++pages_;
        for (const auto& range : ranges_)
            if (pages_ >= range.first && pages_ <= range.second) {
                ++written_;
                writer_.WritePage(page);
                return;
            }
    }
    void EndFile(std::size_t pages) override { writer_.EndFile(pages); }
    bool Finish(std::string& error, Fault& fault) override { return writer_.Finish(error, fault); }
    std::size_t Pages() const { return pages_; }
    std::size_t Written() const { return written_; }

private:
    PageWriter& writer_;
    const std::vector<std::pair<std::size_t, std::size_t>>& ranges_;
    std::size_t pages_ = 0, written_ = 0;
};

} // namespace

PrintJob::PrintJob(const PrintRequest& request, Reporter& reporter) : request_(request), reporter_(reporter) {}

PrintJob::~PrintJob() = default;

bool PrintJob::OpenInput(const std::string& name, Input& input, std::string& error) {
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
    struct stat status;
    bool known = fstat(input.descriptor, &status) == 0;
    if (known && S_ISDIR(status.st_mode)) {
        error = "cannot read " + Quoted(name) + ": it is a folder";
        return false;
    }
    input.size = known && S_ISREG(status.st_mode) ? status.st_size : 0;
    input.date = DateText(known && S_ISREG(status.st_mode) ? status.st_mtime : time(nullptr));
    return true;
}

bool PrintJob::Open(std::string& error, Outcome& outcome) {
    outcome = Outcome::fontRefused;
    t42::FontLocation location;
    std::string warning;
    double size = 0;
    if (!choice_.ChooseMain(request_.font, request_.weight, request_.italic, location, size, error, warning))
        return false;
    if (size > 0 && !request_.sizeGiven) {
        request_.page.fontSize = size;
        request_.page.leading = size * kLeadingRatio;
    }
    if (!warning.empty())
        reporter_.Warning(warning);
    reporter_.FontRead(location.path);
    std::unique_ptr<PrintFont> main = PrintFont::Open(location, error);
    if (!main)
        return false;
    fonts_ = std::make_unique<FontSet>(choice_, std::move(main),
                                       [this](const std::string& path) { reporter_.FontRead(path); });
    return true;
}

namespace {

// Each input's descriptor closed when it is done with.
class InputDescriptor {
public:
    explicit InputDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~InputDescriptor() {
        if (descriptor_ > STDIN_FILENO)
            close(descriptor_);
    }
    InputDescriptor(const InputDescriptor&) = delete;
    InputDescriptor& operator=(const InputDescriptor&) = delete;

private:
    int descriptor_;
};

constexpr std::size_t kMostMissingLines = 100;

} // namespace

void PrintJob::ReportMissing(const std::vector<MissingCharacter>& missing) {
    std::size_t shown = std::min(missing.size(), kMostMissingLines);
    for (std::size_t i = 0; i < shown; ++i) {
        const MissingCharacter& character = missing[i];
        reporter_.Warning(CodePointName(character.codePoint) +
                          " is in no installed font; drawn as the main font's glyph 0 " +
                          std::to_string(character.count) + (character.count == 1 ? " time" : " times") +
                          ", first at " +
                          (character.file == "standard input" ? std::string() : Quoted(character.file) + ", ") +
                          "line " + std::to_string(character.line) + ", column " + std::to_string(character.column));
    }
    if (missing.size() > shown) {
        std::size_t times = 0;
        for (std::size_t i = shown; i < missing.size(); ++i)
            times += missing[i].count;
        reporter_.Warning(std::to_string(missing.size() - shown) + " more characters are in no installed font; "
                          "drawn as glyph 0 " + std::to_string(times) + (times == 1 ? " time" : " times"));
    }
}

// The document's title: the one asked for, else the names of the inputs.
std::string PrintJob::Title() const {
    if (!request_.page.title.empty())
        return request_.page.title;
    std::string title;
    for (const std::string& name : request_.files)
        title += (title.empty() ? "" : ", ") + (name == "-" ? std::string("standard input") : name);
    return title.empty() ? std::string("standard input") : title;
}

PrintJob::Outcome PrintJob::Run(Output& out, Scratch& scratch, std::string& error) {
    std::unique_ptr<PageWriter> writer;
    if (request_.pdf)
        writer = std::make_unique<PdfWriter>(out, request_.page, *fonts_, Title());
    else
        writer = std::make_unique<PsWriter>(request_.page, *fonts_, scratch, out);
    PageSelection selection(*writer, request_.pages);
    PageLayout layout(request_.page, *fonts_, request_.pages.empty() ? *writer : selection);
    TextInput reader(layout, reporter_, request_.input);
    std::vector<std::string> names = request_.files;
    if (names.empty())
        names.push_back("-");
    std::size_t unread = 0, skipped = 0;
    for (const std::string& name : names) {
        Input input;
        std::string problem;
        bool opened = OpenInput(name, input, problem);
        InputDescriptor closer(input.descriptor);
        if (!opened && names.size() == 1) {
            error = problem;
            return Outcome::fileFailed;
        }
        if (!opened) {
            reporter_.Failure(problem);
            ++unread;
            continue;
        }
        if (!reader.Open(input.descriptor, input.name, input.size, error))
            return Outcome::fileFailed;
        if (!reader.Binary().empty()) {
            reporter_.Warning((input.name.empty() ? std::string("standard input") : Quoted(input.name)) +
                              " is left out: " + reader.Binary() + " (--force prints it)");
            ++skipped;
            continue;
        }
        layout.BeginFile(input.name.empty() ? "standard input" : input.name, input.date);
        if (!reader.Print(error))
            return Outcome::fileFailed;
        layout.EndFile();
        if (scratch.Failed()) {
            error = scratch.Error();
            return Outcome::fileFailed;
        }
    }
    if (unread == names.size()) {
        error = "nothing was printed: no input could be read";
        return Outcome::fileFailed;
    }
    reader.FinishWarnings();
    for (const std::string& problem : fonts_->TakeWarnings())
        reporter_.Warning(problem);

    if (!request_.pages.empty() && selection.Written() == 0) {
        error = "the pages asked for are none of the document's " + std::to_string(selection.Pages()) +
                (selection.Pages() == 1 ? " page" : " pages");
        return Outcome::noPages;
    }
    PageWriter::Fault fault = PageWriter::Fault::file;
    if (!writer->Finish(error, fault))
        return fault == PageWriter::Fault::font ? Outcome::fontRefused : Outcome::fileFailed;
    if (out.Failed()) {
        error = out.Error();
        return Outcome::fileFailed;
    }
    ReportMissing(layout.Missing());
    if (unread > 0)
        return Outcome::inputFailed;
    return reader.Errors() || skipped > 0 || !layout.Missing().empty() ? Outcome::partial : Outcome::done;
}

} // namespace print
