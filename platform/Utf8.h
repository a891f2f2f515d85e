// A strict UTF-8 decoder that reads one character at a time, with no state
// and no allocation. Ill-formed input is reported by the maximal-subpart
// rule: an error covers the longest start of a well-formed sequence that the
// bytes begin with, or one byte when they begin none, so decoding resumes
// at the first byte that could start a character. "\xC0\xA8" is two errors,
// "caf\xE9 au" one (the blank after it is a character of its own); overlong
// forms, surrogates (U+D800-U+DFFF) and values above U+10FFFF are errors.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

struct Utf8Step {
    // The character, when `valid`.
    std::uint32_t codePoint;
    // Bytes read: 1 to 4 for a character, 1 to 3 for an error.
    std::size_t length;
    bool valid;
    // The bytes ended inside a sequence that is well formed so far: with
    // more bytes it may still become a character. A caller that has more
    // bytes to come keeps these `length` bytes and decodes again later; at
    // the end of the input they are an error of `length` bytes.
    bool truncated;
};

// Decodes the character that starts at `bytes`; `size` must be above 0.
Utf8Step DecodeUtf8(const unsigned char* bytes, std::size_t size);

} // namespace platform
