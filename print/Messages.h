// How the printer speaks: its warnings and progress go to a reporter that
// its caller provides (a terminal, a spooler's log), and input is shown in
// them one way everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace print {

class Reporter {
public:
    virtual ~Reporter() = default;
    // One sentence, without a prefix.
    virtual void Warning(const std::string& sentence) = 0;
    // An input that cannot be read, while the job goes on with the others.
    virtual void Failure(const std::string& sentence) { Warning(sentence); }
    // How far the job is: `done` of `size` bytes of the input `name` ("":
    // standard input; size 0: unknown), `pages` laid out.
    virtual void Progress(const std::string& name, off_t done, off_t size, std::size_t pages) {
        (void)name, (void)done, (void)size, (void)pages;
    }
    // The job reads the font file at `path`: no output may replace it.
    virtual void FontRead(const std::string& path) { (void)path; }
};

// "\"name\""
inline std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
// Bytes as "\xE9\xA8".
std::string ShownBytes(const unsigned char* bytes, std::size_t size);
// A character as "U+00E9".
std::string CodePointName(std::uint32_t codePoint);

} // namespace print
