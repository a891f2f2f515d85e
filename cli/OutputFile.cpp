#include "OutputFile.h"
#include "ExitStatus.h"
#include "TemporaryFiles.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

namespace {

constexpr std::size_t kBufferBytes = 1 << 16;
constexpr int kMostLinks = 40;

// Follows symbolic links to the file they end at, which need not exist
// (a dangling link is written through). 0, or an errno value.
int ResolveLinks(std::string path, std::string& resolved) {
    for (int hop = 0; hop < kMostLinks; ++hop) {
        struct stat status;
        if (lstat(path.c_str(), &status) != 0) {
            if (errno != ENOENT)
                return errno;
            resolved = path;
            return 0;
        }
        if (!S_ISLNK(status.st_mode)) {
            resolved = path;
            return 0;
        }
        std::vector<char> link(static_cast<std::size_t>(status.st_size) + 4096);
        ssize_t length = readlink(path.c_str(), link.data(), link.size());
        if (length < 0)
            return errno;
        std::string target(link.data(), static_cast<std::size_t>(length));
        std::size_t slash = path.rfind('/');
        if (!target.empty() && target[0] != '/' && slash != std::string::npos)
            target = path.substr(0, slash + 1) + target;
        path = target;
    }
    return ELOOP;
}

// The folder part of `path` with its final '/', or "" for the current one.
std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

std::vector<std::string>& ProtectedFiles() {
    static std::vector<std::string> files;
    return files;
}

// Why `path` must not be written over: "the font file \"x.ttf\"" when it
// is (same device and inode, so also through a link) one of the protected
// fonts, "the input file \"notes.txt\" of this command" when it is one of
// `inputs`; empty when neither.
std::string InputAt(const std::string& path, const std::vector<std::string>& inputs) {
    struct stat target, input;
    if (stat(path.c_str(), &target) != 0)
        return std::string();
    for (const std::string& name : inputs)
        if (stat(name.c_str(), &input) == 0 && SameFile(target, input))
            return "the input file " + Quoted(name) + " of this command";
    for (const std::string& name : ProtectedFiles())
        if (stat(name.c_str(), &input) == 0 && SameFile(target, input))
            return "the font file " + Quoted(name);
    return std::string();
}

mode_t CreationMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

int WriteAll(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t written = write(descriptor, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

} // namespace

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Open(const std::string& name, const std::vector<std::string>& inputs, std::string& error) {
    name_ = name;
    if (name.empty() || name == "-") {
        isStandardOutput_ = true;
        descriptor_ = STDOUT_FILENO;
        return true;
    }
    if (name.back() == '/') {
        error = "cannot write " + Describe() + ": it names a folder";
        return false;
    }
    if (int problem = ResolveLinks(name, target_)) {
        error = "cannot write " + Describe() + ": " + std::strerror(problem);
        return false;
    }
    struct stat status;
    bool exists = stat(target_.c_str(), &status) == 0;
    if (!exists && errno != ENOENT) {
        error = "cannot write " + Describe() + ": " + std::strerror(errno);
        return false;
    }
    if (exists && S_ISDIR(status.st_mode)) {
        error = "cannot write " + Describe() + ": it is a folder";
        return false;
    }
    if (exists && !S_ISREG(status.st_mode)) {
        // A device, FIFO or terminal: there is nothing to keep.
        descriptor_ = open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (descriptor_ < 0) {
            error = "cannot write " + Describe() + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }
    inputs_ = inputs;
    std::string input = exists ? InputAt(target_, inputs_) : std::string();
    if (!input.empty()) {
        error = "will not write over " + Describe() + ": it is " + input;
        return false;
    }
    std::string pattern = FolderOf(target_) + ".quelin-XXXXXX";
    std::vector<char> path(pattern.begin(), pattern.end());
    path.push_back('\0');
    {
        // A signal between creating and tracking the file cannot leave it.
        SignalsHeld held;
        descriptor_ = mkostemp(path.data(), O_CLOEXEC);
        if (descriptor_ < 0) {
            // The file itself may be writable: say that the folder is not.
            error = "cannot write " + Describe() + ": cannot create a file in its folder: " + std::strerror(errno);
            return false;
        }
        temporary_ = path.data();
        if (!TrackTemporary(temporary_)) {
            error = "cannot write " + Describe() + ": too many temporary files";
            Discard();
            return false;
        }
    }
    mode_ = exists ? (status.st_mode & 07777) : CreationMode();
    if (exists && fchown(descriptor_, status.st_uid, status.st_gid) != 0 &&
        fchown(descriptor_, static_cast<uid_t>(-1), status.st_gid) != 0) {
        // Another user's file: the copy is the writer's own, as a new file would be.
    }
    if (fchmod(descriptor_, mode_) != 0) {
        error = "cannot write " + Describe() + ": " + std::strerror(errno);
        Discard();
        return false;
    }
    return true;
}

bool OutputFile::OpenScratch(std::string& error) {
    std::string pattern = TemporaryFolder() + "/quelin-XXXXXX";
    name_ = pattern.substr(0, pattern.size() - 14);
    std::vector<char> path(pattern.begin(), pattern.end());
    path.push_back('\0');
    SignalsHeld held;
    descriptor_ = mkostemp(path.data(), O_CLOEXEC);
    if (descriptor_ < 0) {
        error = "cannot make a temporary file in " + Quoted(name_) + ": " + std::strerror(errno);
        return false;
    }
    unlink(path.data());
    scratch_ = true;
    return true;
}

bool OutputFile::Fail(int error) {
    if (errno_ == 0)
        errno_ = error;
    return false;
}

bool OutputFile::Flush() {
    if (errno_ != 0)
        return false;
    if (buffer_.empty())
        return true;
    int problem = WriteAll(descriptor_, buffer_.data(), buffer_.size());
    buffer_.clear();
    return problem == 0 || Fail(problem);
}

bool OutputFile::Write(const char* data, std::size_t size) {
    if (errno_ != 0 || descriptor_ < 0)
        return Fail(errno_ ? errno_ : EBADF);
    if (buffer_.size() + size <= kBufferBytes) {
        buffer_.insert(buffer_.end(), data, data + size);
        return true;
    }
    if (!Flush())
        return false;
    if (size < kBufferBytes) {
        buffer_.insert(buffer_.end(), data, data + size);
        return true;
    }
    int problem = WriteAll(descriptor_, data, size);
    return problem == 0 || Fail(problem);
}

bool OutputFile::Printf(const char* format, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length < 0)
        return Fail(EINVAL);
    if (static_cast<std::size_t>(length) < sizeof text)
        return Write(text, static_cast<std::size_t>(length));
    std::vector<char> longer(static_cast<std::size_t>(length) + 1);
    va_start(arguments, format);
    std::vsnprintf(longer.data(), longer.size(), format, arguments);
    va_end(arguments);
    return Write(longer.data(), static_cast<std::size_t>(length));
}

int OutputFile::Rewind() {
    if (!Flush() || lseek(descriptor_, 0, SEEK_SET) != 0) {
        Fail(errno_ ? errno_ : errno);
        return -1;
    }
    return descriptor_;
}

bool OutputFile::Finish() {
    if (descriptor_ < 0)
        return Fail(errno_ ? errno_ : EBADF);
    if (!Flush()) {
        Discard();
        return false;
    }
    int descriptor = descriptor_;
    descriptor_ = -1;
    if (temporary_.empty()) {
        // Standard output too: a full disk or a network file system may
        // report a failed write only here.
        if (close(descriptor) != 0 && errno != EINTR)
            return Fail(errno);
        return true;
    }
    // Another program may have written the temporary file by name as a new
    // file: flush and keep the mode of what the name now holds.
    struct stat named, opened;
    if (stat(temporary_.c_str(), &named) == 0 && fstat(descriptor, &opened) == 0 && !SameFile(named, opened)) {
        close(descriptor);
        descriptor = open(temporary_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (descriptor < 0 || fchmod(descriptor, mode_) != 0) {
            Fail(errno);
            if (descriptor >= 0)
                close(descriptor);
            Discard();
            return false;
        }
    }
    // A font read after the output was opened is protected as well.
    std::string input = InputAt(target_, inputs_);
    if (!input.empty()) {
        close(descriptor);
        message_ = "will not write over " + Describe() + ": it is " + input;
        errno_ = EEXIST;
        Discard();
        return false;
    }
    bool synced = fsync(descriptor) == 0;
    int problem = errno;
    if (close(descriptor) != 0 && synced) {
        synced = false;
        problem = errno;
    }
    if (!synced || !RenameTemporary(temporary_, target_)) {
        Fail(synced ? errno : problem);
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void ProtectFromOutput(const std::string& path) { ProtectedFiles().push_back(path); }

void OutputFile::Discard() {
    buffer_.clear();
    if (descriptor_ >= 0 && !isStandardOutput_)
        close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        UntrackTemporary(temporary_);
        temporary_.clear();
    }
}

std::string OutputFile::Describe() const {
    if (isStandardOutput_)
        return "standard output";
    if (scratch_)
        return "a temporary file in " + Quoted(name_);
    return Quoted(name_);
}

std::string OutputFile::Error() const {
    if (!message_.empty())
        return message_;
    if (isStandardOutput_ && errno_ == EBADF)
        return "cannot write standard output: it is closed";
    return "cannot write " + Describe() + ": " + std::strerror(errno_ ? errno_ : EIO);
}

void GuardStandardDescriptors() {
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF)
            continue;
        int opened = open("/dev/null", descriptor == STDOUT_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != descriptor)
            close(opened);
    }
}

} // namespace cli
