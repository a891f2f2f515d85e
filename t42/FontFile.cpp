#include "FontFile.h"

#include "../platform/Platform.h"

#include <cerrno>
#include <map>
#include <mutex>
#include <new>
#include <tuple>

namespace t42 {

namespace {

using Key = std::tuple<std::uint64_t, std::uint64_t, std::uint64_t, std::int64_t, std::string>;

struct SharedFiles {
    platform::Mutex lock;
    std::map<Key, std::weak_ptr<const FontFile>> byKey;
};

// Converters hold their files, not this index of them, so the index may
// go before the last converter when the library unloads.
SharedFiles& Shared() {
    static SharedFiles files;
    return files;
}

Key KeyOf(const platform::FileIdentity& identity) {
    return Key(identity.device, identity.inode, identity.size, identity.modified, identity.path);
}

} // namespace

Status FontFile::Open(const std::string& path, std::shared_ptr<const FontFile>& file) {
    platform::FileReader reader;
    if (int error = reader.Open(path))
        return Status::Refuse(kBadFont, Check::fileUnreadable, 0, error);
    Key key = KeyOf(reader.Identity());
    SharedFiles& shared = Shared();
    {
        std::lock_guard<platform::Mutex> guard(shared.lock);
        auto found = shared.byKey.find(key);
        if (found != shared.byKey.end() && (file = found->second.lock()))
            return Status{};
    }
    if (reader.Identity().size >= 0xFFFFFFFFull) // sfnt offsets are 32-bit
        return Status::Refuse(kBadFont, Check::fileUnreadable, 0, EFBIG);
    // One read into the copy's own memory, not cleared first.
    auto read = std::make_shared<FontFile>(static_cast<std::size_t>(reader.Identity().size));
    if (int error = reader.ReadAll(read->bytes_, read->size_))
        return Status::Refuse(kBadFont, Check::fileUnreadable, 0, error);
    std::lock_guard<platform::Mutex> guard(shared.lock);
    for (auto entry = shared.byKey.begin(); entry != shared.byKey.end();)
        entry = entry->second.expired() ? shared.byKey.erase(entry) : std::next(entry);
    auto& slot = shared.byKey[key];
    if (!(file = slot.lock())) { // another thread may have read it meanwhile
        slot = read;
        file = read;
    }
    return Status{};
}

FontFile::FontFile(std::size_t capacity)
    : bytes_(static_cast<std::uint8_t*>(platform::AllocateLarge(capacity))), capacity_(capacity) {
    if (!bytes_)
        throw std::bad_alloc();
}

FontFile::~FontFile() { platform::FreeLarge(bytes_, capacity_); }

std::size_t FontFile::SharedCount() {
    SharedFiles& shared = Shared();
    std::lock_guard<platform::Mutex> guard(shared.lock);
    std::size_t count = 0;
    for (const auto& entry : shared.byKey)
        count += entry.second.expired() ? 0 : 1;
    return count;
}

} // namespace t42
