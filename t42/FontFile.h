// The bytes of a font file, read once into memory the library owns. Faces
// are opened from these bytes, so nothing that happens to the file later
// (rewritten, truncated, removed) can reach a conversion. Converters of the
// same file share one copy.
#pragma once

#include "Status.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace t42 {

class FontFile {
public:
    // The bytes of the file at `path`: a copy already held by another
    // converter when the file is unchanged since (same device, inode, size
    // and modification time), else read now.
    static Status Open(const std::string& path, std::shared_ptr<const FontFile>& file);

    const std::uint8_t* Data() const { return bytes_.data(); }
    std::size_t Size() const { return bytes_.size(); }

    // How many distinct copies are held now (for tests).
    static std::size_t SharedCount();

    explicit FontFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace t42
