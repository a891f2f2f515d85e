// The glyph items of the text output: the code that draws one glyph by name,
// " glyphshow " included. Each byte of 128 or more has its item built once
// per converted font, since the face, its map and the code page never
// change. Double-byte characters and the code points of UTF-8 text are too
// many for that: their items are made when first drawn and kept in caches of
// bounded size, which change under the converter's lock (a Lookup).
#pragma once

#include "LoadedFont.h"

#include "../platform/Platform.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace t42 {

// Items by key (a code point, or a double-byte character's two bytes), in
// pages of 256 keys made when first needed. When the items or the pages
// reach their bound, everything is forgotten and the cache starts again.
class ItemCache {
public:
    explicit ItemCache(std::uint32_t keyCount) : pageCount_((keyCount + 255) / 256) {}

    // The item of `key`; empty when it is not cached. Valid until the next Add.
    std::string_view Find(std::uint32_t key) const {
        std::uint32_t page = key >> 8;
        if (page >= pages_.size() || !pages_[page])
            return {};
        const Slot& slot = pages_[page][key & 0xFF];
        return std::string_view(text_.data() + slot.offset, slot.length);
    }

    // Keeps `item` (not empty) for `key` and gives the kept copy; `key` must
    // be below the key count. Valid until the next Add.
    std::string_view Add(std::uint32_t key, const std::string& item);

    void Clear();

private:
    struct Slot {
        std::uint32_t offset;
        std::uint32_t length; // 0: not cached
    };
    static constexpr std::size_t kMaxTextBytes = 256 * 1024;
    static constexpr std::size_t kMaxPages = 128;

    std::uint32_t pageCount_;
    std::vector<std::unique_ptr<Slot[]>> pages_; // pageCount_ entries once used
    std::size_t pagesMade_ = 0;
    std::string text_; // the items, one after another
};

class GlyphItems {
public:
    GlyphItems();

    // Builds the items of single bytes for `font`, which must outlive them.
    void Prepare(const LoadedFont& font);
    void Clear();

    const std::string& Item(unsigned char byte) const { return items_[byte - kFirstByte]; }

    // Whether `byte` begins a double-byte character in the font's code page
    // (never in a single-byte one).
    bool IsLeadByte(unsigned char byte) const { return leadBytes_[byte]; }

    // The item of one glyph: its name token and " glyphshow ".
    static std::string ItemOfGlyph(const LoadedFont& font, unsigned glyph);

    // Items of double-byte characters and code points. The first look-up
    // takes the converter's lock, held until the Lookup ends; an item given
    // is valid until the next look-up.
    class Lookup {
    public:
        explicit Lookup(const GlyphItems& items) : items_(items), lock_(items.font_->FaceLock(), std::defer_lock) {}

        // The character `lead` `trail` of the code page: the glyph of the
        // UTF-16 code unit the pair converts to, glyph 0 when it converts to
        // none.
        std::string_view Pair(unsigned char lead, unsigned char trail);

        // The glyph the face's Unicode map gives `codePoint`; glyph 0 when
        // the face has no Unicode map.
        std::string_view CodePoint(std::uint32_t codePoint);

    private:
        const GlyphItems& items_;
        std::unique_lock<platform::Mutex> lock_;
    };

private:
    static constexpr int kFirstByte = 128;
    std::string items_[256 - kFirstByte];
    bool leadBytes_[256] = {};
    std::uint32_t codePage_ = 0; // resolved: never 0 (the ANSI code page)
    const LoadedFont* font_ = nullptr;

    // What a Lookup changes, the face included, under the lock.
    mutable ItemCache pairs_;
    mutable ItemCache codePoints_;
};

} // namespace t42
