#include "PrintJob.h"
#include "Layout.h"
#include "PdfWriter.h"
#include "PsWriter.h"
#include "TextInput.h"

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

} // namespace

PrintJob::PrintJob(const PrintRequest& request, Reporter& reporter) : request_(request), reporter_(reporter) {}

PrintJob::~PrintJob() {
    for (const Input& input : inputs_)
        if (input.descriptor > STDIN_FILENO)
            close(input.descriptor);
}

bool PrintJob::OpenInputs(std::string& error) {
    std::vector<std::string> names = request_.files;
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
        inputs_.push_back(input);
        bool known = fstat(input.descriptor, &status) == 0;
        if (known && S_ISDIR(status.st_mode)) {
            error = "cannot read " + Quoted(name) + ": it is a folder";
            return false;
        }
        if (known && S_ISREG(status.st_mode))
            inputs_.back().size = status.st_size;
        inputs_.back().date = DateText(known && S_ISREG(status.st_mode) ? status.st_mtime : time(nullptr));
    }
    return true;
}

bool PrintJob::Open(std::string& error, Outcome& outcome) {
    outcome = Outcome::fileFailed;
    if (!OpenInputs(error))
        return false;
    outcome = Outcome::fontRefused;
    t42::FontLocation location;
    std::string warning;
    double size = 0;
    if (!choice_.ChooseMain(request_.font, request_.weight, request_.italic, location, size, error, warning))
        return false;
    if (size > 0 && !request_.sizeGiven) {
        request_.page.fontSize = size;
        request_.page.leading = size * 1.2;
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

void PrintJob::ReportMissing(const std::vector<MissingCharacter>& missing) {
    for (const MissingCharacter& character : missing)
        reporter_.Warning(CodePointName(character.codePoint) +
                          " is in no installed font; drawn as the main font's glyph 0 " +
                          std::to_string(character.count) + (character.count == 1 ? " time" : " times") +
                          ", first at " +
                          (character.file == "standard input" ? std::string() : Quoted(character.file) + ", ") +
                          "line " + std::to_string(character.line) + ", column " + std::to_string(character.column));
}

// The document's title: the one asked for, else the names of the inputs.
std::string PrintJob::Title() const {
    if (!request_.page.title.empty())
        return request_.page.title;
    std::string title;
    for (const Input& input : inputs_)
        title += (title.empty() ? "" : ", ") + (input.name.empty() ? std::string("standard input") : input.name);
    return title;
}

PrintJob::Outcome PrintJob::Run(Output& out, Scratch& scratch, std::string& error) {
    std::unique_ptr<PageWriter> writer;
    if (request_.pdf)
        writer = std::make_unique<PdfWriter>(out, request_.page, *fonts_, Title());
    else
        writer = std::make_unique<PsWriter>(request_.page, *fonts_, scratch, out);
    PageLayout layout(request_.page, *fonts_, *writer);
    TextInput reader(layout, reporter_);
    for (const Input& input : inputs_) {
        layout.BeginFile(input.name.empty() ? "standard input" : input.name, input.date);
        if (!reader.Print(input.descriptor, input.name, input.size, error))
            return Outcome::fileFailed;
        layout.EndFile();
        if (scratch.Failed()) {
            error = scratch.Error();
            return Outcome::fileFailed;
        }
    }
    reader.FinishWarnings();
    for (const std::string& problem : fonts_->TakeWarnings())
        reporter_.Warning(problem);

    PageWriter::Fault fault = PageWriter::Fault::file;
    if (!writer->Finish(error, fault))
        return fault == PageWriter::Fault::font ? Outcome::fontRefused : Outcome::fileFailed;
    if (out.Failed()) {
        error = out.Error();
        return Outcome::fileFailed;
    }
    ReportMissing(layout.Missing());
    return reader.Errors() || !layout.Missing().empty() ? Outcome::partial : Outcome::done;
}

} // namespace print
