#include "TemporaryFiles.h"
#include "ExitStatus.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

namespace {

constexpr int kSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2, SIGXCPU};
constexpr int kSlots = 4;
constexpr std::size_t kPathBytes = 4096;

// Read by the handler: a slot is in use while its flag is set, and is only
// changed with the signals blocked.
char gPaths[kSlots][kPathBytes];
volatile sig_atomic_t gUsed[kSlots];
volatile pid_t gChild;

extern "C" void RemoveAndDie(int signalNumber) {
    for (int slot = 0; slot < kSlots; ++slot)
        if (gUsed[slot])
            unlink(gPaths[slot]);
    if (gChild > 0)
        kill(gChild, SIGTERM);
    // Ends the process the way the signal would have once the handler
    // returns and the signal is no longer blocked.
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

sigset_t HandledSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int signalNumber : kSignals)
        sigaddset(&set, signalNumber);
    return set;
}

class Blocked {
public:
    Blocked() {
        sigset_t set = HandledSet();
        sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~Blocked() { sigprocmask(SIG_SETMASK, &old_, nullptr); }

private:
    sigset_t old_;
};

sigset_t gMaskBeforeHold;

} // namespace

std::string TemporaryFolder() {
    static const std::string folder = [] {
        const char* named = std::getenv("TMPDIR");
        if (!named || !*named)
            return std::string("/tmp");
        struct stat status;
        const char* problem = nullptr;
        if (stat(named, &status) != 0)
            problem = std::strerror(errno);
        else if (!S_ISDIR(status.st_mode))
            problem = "it is not a folder";
        else if (access(named, W_OK | X_OK) != 0)
            problem = std::strerror(errno);
        if (!problem)
            return std::string(named);
        Warn("TMPDIR " + Quoted(named) + " cannot hold temporary files (" + problem + "); /tmp is used instead");
        // The programs this one runs (Ghostscript) use /tmp as well.
        setenv("TMPDIR", "/tmp", 1);
        return std::string("/tmp");
    }();
    return folder;
}

void InstallSignalCleanup() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = RemoveAndDie;
    action.sa_mask = HandledSet();
    for (int signalNumber : kSignals) {
        struct sigaction old;
        // A signal that the caller ignores (nohup, a shell's background
        // job) stays ignored.
        if (sigaction(signalNumber, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        sigaction(signalNumber, &action, nullptr);
    }
    signal(SIGXFSZ, SIG_IGN);
}

bool TrackTemporary(const std::string& path) {
    if (path.size() >= kPathBytes)
        return false;
    Blocked blocked;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (!gUsed[slot]) {
            std::memcpy(gPaths[slot], path.c_str(), path.size() + 1);
            gUsed[slot] = 1;
            return true;
        }
    }
    return false;
}

void UntrackTemporary(const std::string& path) {
    Blocked blocked;
    for (int slot = 0; slot < kSlots; ++slot)
        if (gUsed[slot] && path == gPaths[slot])
            gUsed[slot] = 0;
}

bool RenameTemporary(const std::string& from, const std::string& to) {
    Blocked blocked;
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return false;
    for (int slot = 0; slot < kSlots; ++slot)
        if (gUsed[slot] && from == gPaths[slot])
            gUsed[slot] = 0;
    return true;
}

void TrackChild(pid_t child) { gChild = child; }

SignalsHeld::SignalsHeld() {
    sigset_t set = HandledSet();
    sigprocmask(SIG_BLOCK, &set, &gMaskBeforeHold);
}

SignalsHeld::~SignalsHeld() { sigprocmask(SIG_SETMASK, &gMaskBeforeHold, nullptr); }

void ResetSignalsInChild() {
    for (int signalNumber : kSignals) {
        struct sigaction old;
        if (sigaction(signalNumber, nullptr, &old) == 0 && old.sa_handler == RemoveAndDie)
            signal(signalNumber, SIG_DFL);
    }
    signal(SIGXFSZ, SIG_DFL);
    sigprocmask(SIG_SETMASK, &gMaskBeforeHold, nullptr);
}

} // namespace cli
