#include "FontTable.h"

#include <cstring>

namespace api {

static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA must have the Win32 layout");

bool MakeFontKey(const LOGFONTA& request, LOGFONTA& key) {
    const void* terminator = std::memchr(request.lfFaceName, 0, sizeof request.lfFaceName);
    if (!terminator)
        return false;
    std::memset(&key, 0, sizeof key);
    key.lfOrientation = request.lfOrientation;
    key.lfWeight = request.lfWeight;
    key.lfItalic = request.lfItalic;
    key.lfUnderline = request.lfUnderline;
    key.lfStrikeOut = request.lfStrikeOut;
    key.lfCharSet = request.lfCharSet;
    key.lfPitchAndFamily = request.lfPitchAndFamily;
    std::size_t length = static_cast<const char*>(terminator) - request.lfFaceName;
    std::memcpy(key.lfFaceName, request.lfFaceName, length);
    return true;
}

std::string FontTable::KeyBytes(const LOGFONTA& key) {
    return std::string(reinterpret_cast<const char*>(&key), sizeof key);
}

std::int32_t FontTable::FindHandleByKey(const LOGFONTA& key) const {
    auto found = byKey_.find(KeyBytes(key));
    return found == byKey_.end() ? 0 : found->second;
}

t42::TTPost42* FontTable::FindConverter(std::int32_t handle) const {
    auto found = entries_.find(handle);
    return found == entries_.end() ? nullptr : found->second.converter.get();
}

std::int32_t FontTable::Add(const LOGFONTA& key, std::unique_ptr<t42::TTPost42> converter) {
    auto record = std::make_unique<FontRecord>();
    record->handle = nextHandle_;
    record->key = key;
    std::int32_t handle = record->handle;
    auto added = entries_.emplace(handle, Entry{std::move(record), std::move(converter)}).first;
    try {
        byKey_.emplace(KeyBytes(key), handle);
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
    auto found = entries_.find(handle);
    if (found == entries_.end())
        return false;
    byKey_.erase(KeyBytes(found->second.record->key));
    found->second.record.reset();
    found->second.converter.reset();
    entries_.erase(found);
    return true;
}

void FontTable::ReleaseAll() {
    for (auto& entry : entries_) {
        entry.second.record.reset();
        entry.second.converter.reset();
    }
    entries_.clear();
    byKey_.clear();
}

} // namespace api
