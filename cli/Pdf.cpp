#include "Pdf.h"
#include "ExitStatus.h"
#include "TemporaryFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace cli {

namespace {

// Creates and tracks a temporary file from `pattern` (ending in XXXXXX and
// then `suffixLength` more bytes); its path, or "" with errno set.
std::string MakeTemporary(const std::string& pattern, int suffixLength) {
    std::vector<char> path(pattern.begin(), pattern.end());
    path.push_back('\0');
    SignalsHeld held;
    int descriptor = mkostemps(path.data(), suffixLength, O_CLOEXEC);
    if (descriptor < 0)
        return std::string();
    close(descriptor);
    if (!TrackTemporary(path.data())) {
        unlink(path.data());
        errno = EMFILE;
        return std::string();
    }
    return path.data();
}

void RemoveTemporary(const std::string& path) {
    if (path.empty())
        return;
    unlink(path.c_str());
    UntrackTemporary(path);
}

// The line of the log that says what went wrong: the last "Error: ..."
// line, or else the last line with text.
std::string ErrorLine(const std::string& logPath) {
    std::ifstream log(logPath);
    std::string line, lastError, lastText;
    while (std::getline(log, line)) {
        std::size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos)
            continue;
        lastText = line.substr(start);
        if (lastText.compare(0, 6, "Error:") == 0)
            lastError = lastText;
    }
    std::string chosen = lastError.empty() ? lastText : lastError;
    if (chosen.size() > 200)
        chosen = chosen.substr(0, 200) + "...";
    return chosen.empty() ? "it printed nothing" : chosen;
}

bool CopyInto(const std::string& path, OutputFile& out) {
    int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    char buffer[1 << 16];
    ssize_t got;
    while ((got = read(descriptor, buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || !out.Write(buffer, static_cast<std::size_t>(got)))
            break;
    }
    close(descriptor);
    return got == 0;
}

struct Run {
    int execError = 0; // errno of a failed exec, or minus that of what failed before it
    int status = -1;   // from waitpid
};

// Runs gs in `folder` writing `name`, reading `input`, logging to `log`.
Run RunGhostscript(int input, const std::string& folder, const std::string& name, int log) {
    Run run;
    std::string outputFile = "-sOutputFile=" + name;
    const char* argv[] = {"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                          outputFile.c_str(), "-", nullptr};
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        run.execError = errno;
        return run;
    }
    pid_t child;
    {
        SignalsHeld held;
        child = fork();
        if (child == 0) {
            ResetSignalsInChild();
            // A failure before exec is reported as a negative errno value.
            int error = 0;
            if (dup2(input, STDIN_FILENO) < 0 || dup2(log, STDOUT_FILENO) < 0 || dup2(log, STDERR_FILENO) < 0 ||
                chdir(folder.c_str()) != 0)
                error = -errno;
            else
                execvp("gs", const_cast<char* const*>(argv));
            error = error ? error : errno;
            ssize_t ignored = write(report[1], &error, sizeof error);
            (void)ignored;
            _exit(127);
        }
        if (child > 0)
            TrackChild(child);
    }
    close(report[1]);
    if (child < 0) {
        run.execError = errno;
        close(report[0]);
        return run;
    }
    ssize_t got;
    while ((got = read(report[0], &run.execError, sizeof run.execError)) < 0 && errno == EINTR) {
    }
    if (got != static_cast<ssize_t>(sizeof run.execError))
        run.execError = 0;
    close(report[0]);
    while (waitpid(child, &run.status, 0) < 0 && errno == EINTR) {
    }
    TrackChild(0);
    return run;
}

} // namespace

int MakePdf(OutputFile& postScript, OutputFile& out) {
    int input = postScript.Rewind();
    if (input < 0)
        return Fail(kExitIo, postScript.Error());
    // Ghostscript writes the file that `out` renames into place, or, for
    // standard output and devices, a temporary file that is copied there.
    std::string ownTemporary;
    std::string written = out.TemporaryPath();
    if (written.empty()) {
        ownTemporary = MakeTemporary(TemporaryFolder() + "/quelin-XXXXXX", 0);
        if (ownTemporary.empty())
            return Fail(kExitIo, "cannot make a temporary file in " + Quoted(TemporaryFolder()) + ": " +
                                     std::strerror(errno));
        written = ownTemporary;
    }
    std::size_t slash = written.rfind('/');
    std::string folder = slash == std::string::npos ? "." : written.substr(0, slash + 1);
    std::string name = written.substr(slash == std::string::npos ? 0 : slash + 1);

    std::string logPath = MakeTemporary(TemporaryFolder() + "/quelin-gs-XXXXXX.log", 4);
    int log = logPath.empty() ? -1 : open(logPath.c_str(), O_WRONLY | O_CLOEXEC);
    if (log < 0) {
        int error = errno;
        RemoveTemporary(ownTemporary);
        RemoveTemporary(logPath);
        return Fail(kExitIo, "cannot make a temporary file in " + Quoted(TemporaryFolder()) + ": " +
                                 std::strerror(error));
    }
    Run run = RunGhostscript(input, folder, name, log);
    close(log);

    std::string problem;
    struct stat status;
    if (run.execError == ENOENT) {
        problem = "a PDF needs Ghostscript (gs), which is not installed; write PostScript with -o NAME.ps instead";
    } else if (run.execError != 0) {
        problem = "cannot run Ghostscript in " + Quoted(folder) + ": " +
                  std::strerror(run.execError < 0 ? -run.execError : run.execError);
    } else if (!WIFEXITED(run.status) || WEXITSTATUS(run.status) != 0 || stat(written.c_str(), &status) != 0 ||
               status.st_size == 0) {
        // The log is what the user needs now: keep it.
        UntrackTemporary(logPath);
        RemoveTemporary(ownTemporary);
        out.Discard();
        return Fail(kExitIo, "Ghostscript could not make " + out.Describe() + ": " + ErrorLine(logPath) +
                                 " (its full log is " + logPath + ")");
    }
    RemoveTemporary(logPath);
    if (problem.empty() && !ownTemporary.empty() && !CopyInto(ownTemporary, out) && !out.Failed())
        problem = "cannot read the PDF that Ghostscript wrote: " + std::string(std::strerror(errno));
    RemoveTemporary(ownTemporary);
    if (!problem.empty()) {
        out.Discard();
        return Fail(kExitIo, problem);
    }
    if (!out.Finish())
        return Fail(kExitIo, out.Error());
    return kExitOk;
}

} // namespace cli
