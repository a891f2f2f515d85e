// The cache of converted fonts: each successful conversion's converter
// under its handle and its reduced request, and the handle counter. Every
// member takes the table's lock, so any thread may call any of them; a
// converter handed out stays alive for as long as its caller holds it, even
// when another thread removes its handle meanwhile.
#pragma once

#include "../include/quelin.h"
#include "../t42/TTPost42.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace api {

// The request reduced to the fields that decide a conversion: orientation,
// weight, italic, underline, strike-out, character set, pitch and family,
// and the face name up to its zero byte, as the 60 bytes of a LOGFONTA
// whose other fields are zero. Requests that differ only in height, width,
// escapement, precision or quality share one conversion.
struct FontKey {
    std::array<unsigned char, sizeof(LOGFONTA)> bytes;
    bool operator==(const FontKey& other) const { return bytes == other.bytes; }
};

struct FontKeyHash {
    std::size_t operator()(const FontKey& key) const; // FNV-1a of the bytes
};

// False when the face name has no zero byte in its field.
bool MakeFontKey(const LOGFONTA& request, FontKey& key);

class FontTable {
public:
    static constexpr std::int32_t kFirstHandle = 1000;
    static constexpr std::int32_t kLastHandle = 2147483647;

    FontTable() = default;
    ~FontTable() { ReleaseAll(); }
    FontTable(const FontTable&) = delete;
    FontTable& operator=(const FontTable&) = delete;

    // The handle of the entry with an equal key; 0 for none.
    std::int32_t FindHandleByKey(const FontKey& key);

    // The converter of `handle`; null when the handle is not in the table.
    std::shared_ptr<const t42::TTPost42> FindConverter(std::int32_t handle);

    // Whether another handle can still be issued.
    bool CanIssueHandle();

    // Enters a converted font under the next handle and gives that handle.
    // When an equal key entered first (another thread converted the same
    // request meanwhile), that entry's handle, and `converter` is dropped.
    // 0 when no handle is left.
    std::int32_t Add(const FontKey& key, std::shared_ptr<const t42::TTPost42> converter);

    // Removes the entry; false for an unknown handle.
    bool Remove(std::int32_t handle);

    // Removes every entry, in handle order.
    void ReleaseAll();

    std::size_t Size();
    std::int32_t NextHandle();

    // For tests: starts numbering at `handle`.
    void SetNextHandleForTesting(std::int32_t handle);

private:
    struct Entry {
        FontKey key;
        std::shared_ptr<const t42::TTPost42> converter;
    };

    platform::Mutex lock_;
    std::map<std::int32_t, Entry> entries_;                       // by handle
    std::unordered_map<FontKey, std::int32_t, FontKeyHash> byKey_; // key to handle
    std::int32_t nextHandle_ = kFirstHandle;
    bool exhausted_ = false; // the last handle has been issued
};

} // namespace api
