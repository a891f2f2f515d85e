// Reading a font file whole, with the identity of what was read.
#include "../Platform.h"

#include <windows.h>

#include <cerrno>

namespace platform {

namespace {

int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return EIO;
    }
}

} // namespace

FileReader::~FileReader() {
    if (handle_ != -1)
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

int FileReader::Open(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ErrnoOf(GetLastError());
    handle_ = reinterpret_cast<std::intptr_t>(file);
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information))
        return ErrnoOf(GetLastError());
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return EISDIR;
    identity_.device = information.dwVolumeSerialNumber;
    identity_.inode = static_cast<std::uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
    identity_.size = static_cast<std::uint64_t>(information.nFileSizeHigh) << 32 | information.nFileSizeLow;
    identity_.modified = static_cast<std::int64_t>(
        static_cast<std::uint64_t>(information.ftLastWriteTime.dwHighDateTime) << 32 |
        information.ftLastWriteTime.dwLowDateTime);
    if (identity_.inode == 0)
        identity_.path = path; // no file number on this file system
    return 0;
}

int FileReader::ReadAll(std::uint8_t* bytes, std::size_t& size) {
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    std::size_t wanted = static_cast<std::size_t>(identity_.size);
    size = 0;
    while (size < wanted) {
        DWORD count = 0;
        if (!ReadFile(file, bytes + size, static_cast<DWORD>(wanted - size), &count, nullptr))
            return ErrnoOf(GetLastError());
        if (count == 0)
            break; // the file shrank: what was there
        size += count;
    }
    return 0;
}

} // namespace platform
