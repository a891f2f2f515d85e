// Text in the charset it was written in: which one a file's first bytes
// look like (uchardet's guess), and its bytes as Unicode code points
// through iconv, piece by piece as they are read.
#pragma once

#include <cstddef>
#include <string>

namespace print {

// Whether iconv can read text in the charset `name` ("latin1", "CP1252",
// "SHIFT_JIS", any alias it knows).
bool IsKnownCharset(const std::string& name);

// What `bytes` (the start of a file) are written in, as uchardet names it:
// "UTF-8", "ASCII", "WINDOWS-1252", "KOI8-R", ...; "" when it finds none.
std::string GuessCharset(const unsigned char* bytes, std::size_t size);

// Whether a charset's text is read as UTF-8: UTF-8 itself and ASCII.
bool IsUtf8Charset(const std::string& name);

class CharsetDecoder {
public:
    // A decoder from `name`; Ok() is false when iconv does not know it.
    explicit CharsetDecoder(const std::string& name);
    ~CharsetDecoder();
    CharsetDecoder(const CharsetDecoder&) = delete;
    CharsetDecoder& operator=(const CharsetDecoder&) = delete;

    bool Ok() const { return converter_ != reinterpret_cast<void*>(-1); }

    // Decodes bytes[0, size): each character goes to `character(c)`, each
    // byte that starts no character of the charset to `invalid(byte)`.
    // Gives how many bytes at the end begin a character that the next
    // piece may finish; with `last`, none do.
    template <typename Character, typename Invalid>
    std::size_t Decode(const unsigned char* bytes, std::size_t size, bool last, Character character,
                       Invalid invalid) {
        std::size_t at = 0;
        for (;;) {
            Step step = Convert(bytes + at, size - at, last);
            for (std::size_t i = 0; i < step.count; ++i)
                character(out_[i]);
            at += step.used;
            if (step.invalid) {
                invalid(bytes[at]);
                ++at;
            } else if (step.done) {
                return size - at;
            }
        }
    }

private:
    struct Step {
        std::size_t used = 0;  // bytes read
        std::size_t count = 0; // characters in out_
        bool invalid = false;  // bytes[used] starts no character
        bool done = false;     // the rest (if any) is an unfinished character
    };
    Step Convert(const unsigned char* bytes, std::size_t size, bool last);

    void* converter_;
    char32_t out_[1024];
};

} // namespace print
