// What both fuzz targets share: a per-process font file, buffers with
// poisoned guard areas, and the checks of T42TextOut's output.
#pragma once

#include "PsCheck.h"

#include "quelin.h"

#include "../platform/Platform.h"
#include "../t42/FontFacts.h"

#include <sanitizer/asan_interface.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

// An invariant of the library that failed: print it and die, which the
// fuzzer records as a finding.
#define FUZZ_CHECK(condition, message)                                                           \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::ostringstream fuzzMessage_;                                                     \
            fuzzMessage_ << message;                                                             \
            std::fprintf(stderr, "\nFUZZ CHECK FAILED (%s:%d): %s\n  %s\n", __FILE__, __LINE__, \
                         #condition, fuzzMessage_.str().c_str());                                \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)

namespace fuzz {

// A file of this process's own, removed at exit; in memory where /dev/shm is.
inline std::string MakeTempFile(const char* stem) {
    static std::vector<std::string> made;
    std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string path = folder + "/" + stem + "-XXXXXX";
    std::vector<char> name(path.begin(), path.end());
    name.push_back(0);
    int descriptor = mkstemp(name.data());
    FUZZ_CHECK(descriptor >= 0, "cannot create " << path);
    close(descriptor);
    if (made.empty())
        std::atexit([] {
            for (const std::string& file : made)
                unlink(file.c_str());
        });
    made.push_back(name.data());
    return name.data();
}

inline void WriteWholeFile(const std::string& path, const void* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file, "cannot write " << path);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, file) == size, "short write to " << path);
    std::fclose(file);
}

// `size` usable bytes between two poisoned guard areas: a write past either
// end stops the process at once, and the guards are checked afterwards too.
class GuardedBuffer {
public:
    static constexpr std::size_t kGuard = 64;
    static constexpr unsigned char kFill = 0xA5;

    explicit GuardedBuffer(std::size_t size) : size_(size), storage_(size + 2 * kGuard, static_cast<char>(kFill)) {
        ASAN_POISON_MEMORY_REGION(storage_.data(), kGuard);
        ASAN_POISON_MEMORY_REGION(storage_.data() + kGuard + size_, kGuard);
    }
    ~GuardedBuffer() { ASAN_UNPOISON_MEMORY_REGION(storage_.data(), storage_.size()); }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    char* Data() { return storage_.data() + kGuard; }

    void CheckGuards() {
        ASAN_UNPOISON_MEMORY_REGION(storage_.data(), storage_.size());
        for (std::size_t i = 0; i < kGuard; ++i) {
            FUZZ_CHECK(static_cast<unsigned char>(storage_[i]) == kFill, "write before the buffer");
            FUZZ_CHECK(static_cast<unsigned char>(storage_[kGuard + size_ + i]) == kFill,
                       "write past the buffer of " << size_ << " bytes");
        }
        ASAN_POISON_MEMORY_REGION(storage_.data(), kGuard);
        ASAN_POISON_MEMORY_REGION(storage_.data() + kGuard + size_, kGuard);
    }

private:
    std::size_t size_;
    std::vector<char> storage_;
};

// A size big enough for any drawing code of `text`: a glyph item is at most
// 269 bytes and a line break, a run byte at most 2, a run 8 bytes more.
inline std::size_t DrawingCodeBound(const std::string& text) { return 270 * text.size() + 16; }

inline std::string Visible(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        char hex[8];
        std::snprintf(hex, sizeof hex, c >= 0x20 && c < 0x7F && c != '\\' ? "%c" : "\\x%02X", c);
        out += hex;
    }
    return out;
}

// The code page T42TextOut reads text in for a request's character set.
inline std::uint32_t CodePageOfCharSet(std::uint8_t charSet) {
    std::uint32_t codePage = t42::CodePageFromCharSet(charSet, platform::UserCodePage());
    return codePage != 0 ? codePage : platform::AnsiCodePage();
}

// The drawing code of `text` in a buffer that is surely big enough: it must
// fit, have the shape of drawing code for the text and show only glyphs
// that CharStrings defines.
inline std::string CheckFullTextOut(int handle, const std::string& text, const std::map<std::string, long>& glyphs,
                                    std::uint32_t codePage = 0) {
    std::size_t bound = DrawingCodeBound(text);
    GuardedBuffer buffer(bound);
    int result = T42TextOut(handle, text.c_str(), buffer.Data(), static_cast<int>(bound));
    buffer.CheckGuards();
    FUZZ_CHECK(result == 0, "T42TextOut gave " << result << " with " << bound << " bytes for \"" << Visible(text) << "\"");
    FUZZ_CHECK(std::memchr(buffer.Data(), 0, bound), "drawing code not zero-terminated");
    std::string code(buffer.Data());
    std::vector<std::string> names;
    std::string error;
    FUZZ_CHECK(pscheck::CheckDrawingCode(code, text, false, names, error, codePage),
               error << "\n  text \"" << Visible(text) << "\"\n  code \"" << Visible(code) << "\"");
    for (const std::string& name : names)
        FUZZ_CHECK(glyphs.count(name), "glyph \"" << Visible(name) << "\" is not in CharStrings");
    return code;
}

// T42TextOut into `outSize` bytes at `out` (null or a guarded buffer): the
// result is 0 or -1004, the output is zero-terminated inside the buffer and
// is the start of the whole code `full`, all of it (perhaps without the
// closing line breaks) when the result is 0.
inline void CheckCutTextOut(int handle, const std::string& text, const std::string& full, int outSize, bool nullOut,
                            std::uint32_t codePage = 0) {
    std::size_t usable = nullOut || outSize < 0 ? 0 : static_cast<std::size_t>(outSize);
    GuardedBuffer buffer(usable);
    int result = T42TextOut(handle, text.c_str(), nullOut ? nullptr : buffer.Data(), outSize);
    buffer.CheckGuards();
    FUZZ_CHECK(result == 0 || result == T42_ERROR_BUFFER_TOO_SMALL, "T42TextOut gave " << result);
    if (usable == 0) {
        FUZZ_CHECK(result == (text.empty() ? 0 : T42_ERROR_BUFFER_TOO_SMALL),
                   "T42TextOut into nothing gave " << result << " for text \"" << Visible(text) << "\"");
        return;
    }
    const char* end = static_cast<const char*>(std::memchr(buffer.Data(), 0, usable));
    FUZZ_CHECK(end, "output of " << usable << " bytes not zero-terminated");
    std::string written(static_cast<const char*>(buffer.Data()), end);
    FUZZ_CHECK(full.compare(0, written.size(), written) == 0,
               "cut output \"" << Visible(written) << "\" is not the start of \"" << Visible(full) << "\"");
    if (result == 0) {
        // Line breaks that did not fit are left out; nothing else is.
        auto items = [](std::string code) {
            while (!code.empty() && code.back() == '\n')
                code.pop_back();
            return code;
        };
        FUZZ_CHECK(items(written) == items(full),
                   "result 0 with only \"" << Visible(written) << "\" of \"" << Visible(full) << "\"");
    } else {
        FUZZ_CHECK(written.size() < full.size(), "-1004 although everything was written");
        std::vector<std::string> names;
        std::string error;
        FUZZ_CHECK(pscheck::CheckDrawingCode(written, text, true, names, error, codePage),
                   error << "\n  cut code \"" << Visible(written) << "\"");
    }
}

} // namespace fuzz
