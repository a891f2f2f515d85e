// The cache of converted fonts: each successful conversion's record (handle
// and reduced request) with its converter, and the handle counter.
#pragma once

#include "../include/quelin.h"
#include "../t42/TTPost42.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

namespace api {

struct FontRecord {
    std::int32_t handle;
    LOGFONTA key;
};

// The request reduced to the fields that decide a conversion: orientation,
// weight, italic, underline, strike-out, character set, pitch and family,
// and the face name up to its zero byte. All else is zero, so requests that
// differ only in height, width, escapement, precision or quality share one
// conversion. False when the face name has no zero byte in its field.
bool MakeFontKey(const LOGFONTA& request, LOGFONTA& key);

class FontTable {
public:
    static constexpr std::int32_t kFirstHandle = 1000;
    static constexpr std::int32_t kLastHandle = 2147483647;

    FontTable() = default;
    ~FontTable() { ReleaseAll(); }
    FontTable(const FontTable&) = delete;
    FontTable& operator=(const FontTable&) = delete;

    // The handle of the entry whose key equals `key` in all 60 bytes; 0 for
    // none.
    std::int32_t FindHandleByKey(const LOGFONTA& key) const;

    // The converter of `handle`; null when the handle is not in the table.
    t42::TTPost42* FindConverter(std::int32_t handle) const;

    // Whether another handle can still be issued.
    bool CanIssueHandle() const { return !exhausted_; }

    // Adds a converted font under the next handle and gives that handle.
    std::int32_t Add(const LOGFONTA& key, std::unique_ptr<t42::TTPost42> converter);

    // Frees the record and destroys the converter; false for an unknown handle.
    bool Remove(std::int32_t handle);

    // Frees every record and converter, in handle order.
    void ReleaseAll();

    std::size_t Size() const { return entries_.size(); }
    std::int32_t NextHandle() const { return nextHandle_; }

    // For tests: starts numbering at `handle`.
    void SetNextHandleForTesting(std::int32_t handle) {
        nextHandle_ = handle;
        exhausted_ = false;
    }

private:
    struct Entry {
        std::unique_ptr<FontRecord> record;
        std::unique_ptr<t42::TTPost42> converter;
    };
    static std::string KeyBytes(const LOGFONTA& key);

    std::map<std::int32_t, Entry> entries_;                  // by handle
    std::unordered_map<std::string, std::int32_t> byKey_;    // 60 key bytes to handle
    std::int32_t nextHandle_ = kFirstHandle;
    bool exhausted_ = false; // the last handle has been issued
};

} // namespace api
