// What the fuzz targets and tests/hostile/hostile_run share: a check that
// dies loudly, buffers with guard areas, and the checks of T42TextOut.
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
#include <vector>

// An invariant that failed: print it and die, which libFuzzer records as a
// finding. `message` is a chain of << operands.
#define FUZZ_CHECK(condition, message) \
    ((condition) ? void() : fuzz::Die(__FILE__, __LINE__, #condition, std::ostringstream() << message))

namespace fuzz {

[[noreturn]] inline void Die(const char* file, int line, const char* condition, const std::ostream& message) {
    std::fprintf(stderr, "\nFUZZ CHECK FAILED (%s:%d): %s\n  %s\n", file, line, condition,
                 static_cast<const std::ostringstream&>(message).str().c_str());
    std::abort();
}

inline std::string Visible(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        char hex[8];
        std::snprintf(hex, sizeof hex, c >= 0x20 && c < 0x7F && c != '\\' ? "%c" : "\\x%02X", c);
        out += hex;
    }
    return out;
}

// `size` usable bytes between two guard areas: AddressSanitizer stops a
// write into one at once; without it, Written() finds them changed.
struct Guarded {
    static constexpr std::size_t kGuard = 64;
    std::size_t size;
    std::string bytes;
    explicit Guarded(int usable) : size(usable > 0 ? usable : 0), bytes(size + 2 * kGuard, '\xA5') {
        ASAN_POISON_MEMORY_REGION(&bytes[0], kGuard);
        ASAN_POISON_MEMORY_REGION(&bytes[kGuard + size], kGuard);
    }
    char* Data() { return &bytes[kGuard]; }
    // What was written, up to the zero that must end it in a buffer of any bytes.
    std::string Written() {
        ASAN_UNPOISON_MEMORY_REGION(&bytes[0], bytes.size());
        FUZZ_CHECK(bytes.substr(0, kGuard) + bytes.substr(kGuard + size) == std::string(2 * kGuard, '\xA5'),
                   "write outside the buffer of " << size << " bytes");
        std::size_t end = bytes.find('\0', kGuard);
        FUZZ_CHECK(size == 0 || end < kGuard + size, "output of " << size << " bytes not zero-terminated");
        return bytes.substr(kGuard, size ? end - kGuard : 0);
    }
};

// The program of `handle`, which must have the converter's shape.
inline pscheck::ProgramFacts CheckProgram(int handle) {
    HGLOBAL block = T42GetFontData(handle);
    FUZZ_CHECK(block, "no font data for handle " << handle);
    std::string program(static_cast<const char*>(T42GlobalLock(block)), T42GlobalSize(block)), error;
    T42GlobalUnlock(block);
    T42GlobalFree(block);
    pscheck::ProgramFacts facts;
    FUZZ_CHECK(pscheck::CheckFontProgram(program, facts, error), error);
    return facts;
}

// The drawing code of `text` in a buffer big enough for any (a glyph item
// is at most 269 bytes): it must have the shape of drawing code for the
// text and show only glyphs that CharStrings defines.
// The code page T42TextOut reads text in for a request's character set.
inline std::uint32_t CodePageOfCharSet(std::uint8_t charSet) {
    std::uint32_t codePage = t42::CodePageFromCharSet(charSet, platform::UserCodePage());
    return codePage != 0 ? codePage : platform::AnsiCodePage();
}

inline std::string CheckFullTextOut(int handle, const std::string& text, const std::map<std::string, long>& glyphs,
                                    std::uint32_t codePage = 0) {
    int bound = static_cast<int>(270 * text.size() + 16);
    Guarded buffer(bound);
    int result = T42TextOut(handle, text.c_str(), buffer.Data(), bound);
    std::string code = buffer.Written();
    FUZZ_CHECK(result == 0, "T42TextOut gave " << result << " for \"" << Visible(text) << "\"");
    std::vector<std::string> names;
    std::string error;
    FUZZ_CHECK(pscheck::CheckDrawingCode(code, text, false, names, error, codePage),
               error << "\n  text \"" << Visible(text) << "\"\n  code \"" << Visible(code) << "\"");
    for (const std::string& name : names)
        FUZZ_CHECK(glyphs.count(name), "glyph \"" << Visible(name) << "\" is not in CharStrings");
    return code;
}

// T42TextOut into `outSize` bytes (at no buffer with `nullOut`): the output
// is the start of the whole code `full`; with 0 it is all of it but perhaps
// the closing line breaks, with -1004 it stops after an item short of that.
inline void CheckCutTextOut(int handle, const std::string& text, const std::string& full, int outSize, bool nullOut,
                            std::uint32_t codePage = 0) {
    Guarded buffer(nullOut ? 0 : outSize);
    int result = T42TextOut(handle, text.c_str(), nullOut ? nullptr : buffer.Data(), outSize);
    std::string written = buffer.Written(); // into no bytes: not even the zero
    FUZZ_CHECK(full.compare(0, written.size(), written) == 0,
               "cut output \"" << Visible(written) << "\" is not the start of \"" << Visible(full) << "\"");
    std::size_t items = full.find_last_not_of('\n') + 1; // npos + 1 is 0
    if (result == 0) {
        FUZZ_CHECK(written.size() >= items, "result 0 with only \"" << Visible(written) << "\" of " << outSize);
        return;
    }
    FUZZ_CHECK(result == T42_ERROR_BUFFER_TOO_SMALL && written.size() < items,
               "T42TextOut gave " << result << " with \"" << Visible(written) << "\" in " << outSize << " bytes");
    std::vector<std::string> names;
    std::string error;
    FUZZ_CHECK(pscheck::CheckDrawingCode(written, text, true, names, error, codePage),
               error << "\n  cut code \"" << Visible(written) << "\"");
}

} // namespace fuzz
