// Temporary files that must not outlive the process, and the child it
// waits for. A caught terminating signal (SIGINT, SIGTERM, SIGHUP, ...)
// removes the files, stops the child and then ends the process as the
// signal would have. Only SIGKILL can leave a file behind.
#pragma once

#include <string>
#include <sys/types.h>

namespace cli {

// The folder for temporary files: $TMPDIR, or /tmp when it is not set or
// is not a folder this process can write (said once, as a warning, and
// TMPDIR then set to /tmp for the programs this one runs).
std::string TemporaryFolder();

// Installs the signal handlers and ignores SIGXFSZ, so that a file-size
// limit makes a write fail (EFBIG) rather than kill the process.
void InstallSignalCleanup();

// Removes `path` if a signal ends the process. False when too many files are
// tracked already or the path is too long.
bool TrackTemporary(const std::string& path);
void UntrackTemporary(const std::string& path);

// Renames the tracked temporary `from` to `to` with the signals held, so
// that a signal removes either the temporary or nothing. Sets errno and
// gives false when the rename fails.
bool RenameTemporary(const std::string& from, const std::string& to);

// The child that a signal stops too (0: none).
void TrackChild(pid_t child);

// Signals blocked around fork(): the child resets them before exec.
class SignalsHeld {
public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
};

// For a forked child before exec: default signal actions and an open mask.
void ResetSignalsInChild();

} // namespace cli
