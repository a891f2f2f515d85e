// The bytes of a font file, read once into memory the library owns. Faces
// are opened from these bytes, so nothing that happens to the file later
// (rewritten, truncated, removed) can reach a conversion. Converters of the
// same file share one copy.
#pragma once

#include "Status.h"

#include <cstdint>
#include <cstddef>
#include <memory>
#include <string>

namespace t42 {

class FontFile {
public:
    // The bytes of the file at `path`: a copy already held by another
    // converter when the file is unchanged since (same device, inode, size
    // and modification time), else read now.
    static Status Open(const std::string& path, std::shared_ptr<const FontFile>& file);

    const std::uint8_t* Data() const { return bytes_; }
    std::size_t Size() const { return size_; }

    // How many distinct copies are held now (for tests).
    static std::size_t SharedCount();

    // Room for `capacity` bytes, to be read into; throws std::bad_alloc.
    explicit FontFile(std::size_t capacity);
    ~FontFile();
    FontFile(const FontFile&) = delete;
    FontFile& operator=(const FontFile&) = delete;

private:
    std::uint8_t* bytes_;
    std::size_t capacity_;
    std::size_t size_ = 0;
};

} // namespace t42
