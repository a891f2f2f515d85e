// quelin print: text files to PostScript or PDF through the printer's job,
// with its words on standard error and its output written safely.
#include "Commands.h"
#include "ExitStatus.h"

#include "print/PrintJob.h"

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace cli {

namespace {

// Warnings on standard error; progress too, when it is a terminal and the
// job has taken more than a second.
class TerminalReporter : public print::Reporter {
public:
    TerminalReporter() : terminal_(isatty(STDERR_FILENO) == 1), start_(Now()) {}
    ~TerminalReporter() override { Clear(); }

    void Warning(const std::string& sentence) override {
        Clear();
        Warn(sentence);
    }
    void Failure(const std::string& sentence) override {
        Clear();
        Fail(kExitIo, sentence);
    }
    void Progress(const std::string& name, off_t done, off_t size, std::size_t pages) override {
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
    void FontRead(const std::string& path) override { ProtectFromOutput(path); }
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

int ExitStatusOf(print::PrintJob::Outcome outcome) {
    switch (outcome) {
    case print::PrintJob::Outcome::done:
        return kExitOk;
    case print::PrintJob::Outcome::partial:
        return kExitPartial;
    case print::PrintJob::Outcome::fontRefused:
        return kExitRefused;
    case print::PrintJob::Outcome::noPages:
        return kExitUsage;
    case print::PrintJob::Outcome::fileFailed:
    case print::PrintJob::Outcome::inputFailed:
        break;
    }
    return kExitIo;
}

// The request that the options make.
print::PrintRequest MakePrintRequest(const Options& options) {
    print::PrintRequest request;
    request.files = options.operands;
    if (!options.font.empty())
        request.font = options.font;
    request.weight = options.weight;
    request.italic = options.italic;
    print::PageModel& page = request.page;
    page.paper = *print::FindPaper(options.paper);
    page.fontSize = options.sizeGiven ? options.size : 10;
    request.sizeGiven = options.sizeGiven;
    page.leading = page.fontSize * print::kLeadingRatio;
    page.header = options.header;
    page.landscape = options.landscape;
    page.columns = options.columns;
    if (options.marginsGiven) {
        page.marginTop = options.margins[0];
        page.marginRight = options.margins[1];
        page.marginBottom = options.margins[2];
        page.marginLeft = options.margins[3];
    }
    page.lineNumbers = options.lineNumbers;
    page.tabWidth = options.tabWidth;
    page.truncate = options.truncate;
    page.title = options.title;
    page.duplex = options.duplex;
    request.pages = options.pages;
    request.input.charset = options.encoding;
    request.input.escapes = options.escapes;
    request.input.force = options.force;
    request.pdf = WantsPdf(options);
    return request;
}

} // namespace

int PrintText(const Options& options) {
    if (options.raw)
        return Fail(kExitUsage, "option --raw does not apply to print (--encoding names the files' charset)");
    print::PrintRequest request = MakePrintRequest(options);
    std::string room = print::RoomProblem(request.page);
    if (!room.empty())
        return Fail(kExitUsage, room);

    TerminalReporter reporter;
    print::PrintJob job(request, reporter);
    std::string error;
    print::PrintJob::Outcome outcome;
    if (!job.Open(error, outcome))
        return Fail(ExitStatusOf(outcome), error);

    std::vector<std::string> texts;
    for (const std::string& name : options.operands)
        if (name != "-")
            texts.push_back(name);
    OutputFile out, body;
    if (!OpenOutput(options, out, texts))
        return kExitIo;
    if (!request.pdf && !body.OpenScratch(error))
        return Fail(kExitIo, error);
    outcome = job.Run(out, body, error);
    reporter.Clear();
    int status = ExitStatusOf(outcome);
    if (outcome != print::PrintJob::Outcome::done && outcome != print::PrintJob::Outcome::partial &&
        outcome != print::PrintJob::Outcome::inputFailed)
        return Fail(status, error);
    return Finish(out, status);
}

} // namespace cli
