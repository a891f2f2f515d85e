#include "FontTable.h"

namespace api {

static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA must have the Win32 layout");

std::size_t FontKeyHash::operator()(const FontKey& key) const {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char byte : key.bytes)
        hash = (hash ^ byte) * 1099511628211ull;
    return static_cast<std::size_t>(hash);
}

bool MakeFontKey(const LOGFONTA& request, FontKey& key) {
    const void* terminator = std::memchr(request.lfFaceName, 0, sizeof request.lfFaceName);
    if (!terminator)
        return false;
    LOGFONTA reduced;
    std::memset(&reduced, 0, sizeof reduced);
    reduced.lfOrientation = request.lfOrientation;
    reduced.lfWeight = request.lfWeight;
    reduced.lfItalic = request.lfItalic;
    reduced.lfUnderline = request.lfUnderline;
    reduced.lfStrikeOut = request.lfStrikeOut;
    reduced.lfCharSet = request.lfCharSet;
    reduced.lfPitchAndFamily = request.lfPitchAndFamily;
    std::size_t length = static_cast<const char*>(terminator) - request.lfFaceName;
    std::memcpy(reduced.lfFaceName, request.lfFaceName, length);
    std::memcpy(key.bytes.data(), &reduced, sizeof reduced);
    return true;
}

std::int32_t FontTable::FindHandleByKey(const FontKey& key) {
    std::lock_guard<platform::Mutex> guard(lock_);
    auto found = byKey_.find(key);
    return found == byKey_.end() ? 0 : found->second;
}

std::shared_ptr<const t42::TTPost42> FontTable::FindConverter(std::int32_t handle) {
    std::lock_guard<platform::Mutex> guard(lock_);
    auto found = entries_.find(handle);
    return found == entries_.end() ? nullptr : found->second.converter;
}

bool FontTable::CanIssueHandle() {
    std::lock_guard<platform::Mutex> guard(lock_);
    return !exhausted_;
}

std::int32_t FontTable::Add(const FontKey& key, std::shared_ptr<const t42::TTPost42> converter) {
    std::lock_guard<platform::Mutex> guard(lock_);
    auto found = byKey_.find(key);
    if (found != byKey_.end())
        return found->second;
    if (exhausted_)
        return 0;
    std::int32_t handle = nextHandle_;
    auto added = entries_.emplace(handle, Entry{key, std::move(converter)}).first;
    try {
        byKey_.emplace(key, handle);
    } catch (...) {
        entries_.erase(added);
        throw;
    }
    if (nextHandle_ == kLastHandle)
        exhausted_ = true;
    else
        ++nextHandle_;
    return handle;
}

bool FontTable::Remove(std::int32_t handle) {
    std::shared_ptr<const t42::TTPost42> released; // destroyed after the lock is let go
    std::lock_guard<platform::Mutex> guard(lock_);
    auto found = entries_.find(handle);
    if (found == entries_.end())
        return false;
    byKey_.erase(found->second.key);
    released = std::move(found->second.converter);
    entries_.erase(found);
    return true;
}

void FontTable::ReleaseAll() {
    std::lock_guard<platform::Mutex> guard(lock_);
    for (auto& entry : entries_)
        entry.second.converter.reset();
    entries_.clear();
    byKey_.clear();
}

std::size_t FontTable::Size() {
    std::lock_guard<platform::Mutex> guard(lock_);
    return entries_.size();
}

std::int32_t FontTable::NextHandle() {
    std::lock_guard<platform::Mutex> guard(lock_);
    return nextHandle_;
}

void FontTable::SetNextHandleForTesting(std::int32_t handle) {
    std::lock_guard<platform::Mutex> guard(lock_);
    nextHandle_ = handle;
    exhausted_ = false;
}

} // namespace api
