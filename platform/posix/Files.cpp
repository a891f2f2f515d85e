// Reading a font file whole, with the identity of what was read.
#include "../Platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

FileReader::~FileReader() {
    if (handle_ >= 0)
        close(static_cast<int>(handle_));
}

int FileReader::Open(const std::string& path) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never
    // come; a regular file reads the same either way.
    int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return errno;
    handle_ = descriptor;
    struct stat status;
    if (fstat(descriptor, &status) != 0)
        return errno;
    if (!S_ISREG(status.st_mode))
        return S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    identity_.device = static_cast<std::uint64_t>(status.st_dev);
    identity_.inode = static_cast<std::uint64_t>(status.st_ino);
    identity_.size = static_cast<std::uint64_t>(status.st_size);
    identity_.modified = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return 0;
}

int FileReader::ReadAll(std::uint8_t* bytes, std::size_t& size) {
    // What fstat saw; a file that shrank meanwhile gives what was there.
    std::size_t wanted = static_cast<std::size_t>(identity_.size);
    size = 0;
    while (size < wanted) {
        ssize_t count = read(static_cast<int>(handle_), bytes + size, wanted - size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        if (count == 0)
            break;
        size += static_cast<std::size_t>(count);
    }
    return 0;
}

} // namespace platform
