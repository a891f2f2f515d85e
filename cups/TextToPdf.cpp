// quelin-texttopdf: the spooler's filter from text to PDF. It is run as
//
//   quelin-texttopdf JOB-ID USER TITLE COPIES OPTIONS [FILE]
//
// reads FILE (standard input when there is none), lays it out through the
// printer's job with the job's options and writes PDF to standard output.
// Its words go to standard error as the spooler reads them ("ERROR: ...",
// "WARNING: ...", "INFO: ..."); it ends with 0 when the document was
// written, 1 when it was not. Copies, number-up and page ranges are done
// by the filters after it.
//
// A program of its own rather than a mode of `quelin`: the spooler runs
// filters from its own folder, and only this program needs libcups.
#include "JobOptions.h"

#include "cli/OutputFile.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// The job's words in the spooler's log, and how far it is in the printer's
// state message, at most once a second.
class SpoolerReporter : public print::Reporter {
public:
    void Warning(const std::string& sentence) override { Say("WARNING", sentence); }
    void Failure(const std::string& sentence) override { Say("ERROR", sentence); }
    void Progress(const std::string& name, off_t done, off_t size, std::size_t pages) override {
        (void)name, (void)done, (void)size;
        time_t now = time(nullptr);
        if (pages == shown_ || now == last_)
            return;
        shown_ = pages;
        last_ = now;
        Say("INFO", "Formatting page " + std::to_string(pages));
    }
    static void Say(const char* level, const std::string& sentence) {
        std::fprintf(stderr, "%s: %s\n", level, sentence.c_str());
    }

private:
    std::size_t shown_ = 0;
    time_t last_ = 0;
};

int Failed(const std::string& sentence) {
    SpoolerReporter::Say("ERROR", sentence);
    return 1;
}

bool Written(print::PrintJob::Outcome outcome) {
    return outcome == print::PrintJob::Outcome::done || outcome == print::PrintJob::Outcome::partial;
}

} // namespace

int main(int argc, char** argv) {
    cli::GuardStandardDescriptors();
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "Usage: %s job-id user title copies options [file]\n", argv[0]);
        return 1;
    }
    filter::JobOptions options;
    options.title = argv[3];
    options.count = cupsParseOptions(argv[5], 0, &options.options);
    const char* ppd = std::getenv("PPD");
    options.ppd = ppd ? ppd : "";
    std::vector<std::string> warnings;
    print::PrintRequest request = filter::MakeRequest(options, argc == 7 ? argv[6] : "-", warnings);
    cupsFreeOptions(options.count, options.options);

    SpoolerReporter reporter;
    for (const std::string& warning : warnings)
        reporter.Warning(warning);
    std::string problem = print::RoomProblem(request.page);
    if (!problem.empty())
        return Failed(problem);
    print::PrintJob job(request, reporter);
    std::string error;
    print::PrintJob::Outcome outcome;
    if (!job.Open(error, outcome))
        return Failed(error);
    cli::OutputFile out, unused;
    if (!out.Open("-", {}, error))
        return Failed(error);
    outcome = job.Run(out, unused, error);
    if (!Written(outcome))
        return Failed(error);
    if (!out.Finish())
        return Failed(out.Error());
    return 0;
}
