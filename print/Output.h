// Where a page writer's bytes go. The command line gives its output file
// (written safely) and scratch files; a writer knows neither.
#pragma once

#include <cstddef>
#include <string>

namespace print {

class Output {
public:
    virtual ~Output() = default;
    // Buffered; after the first failure nothing more is written.
    virtual bool Write(const char* data, std::size_t size) = 0;
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }
    virtual bool Failed() const = 0;
    // One sentence: "cannot write standard output: No space left on device".
    virtual std::string Error() const = 0;
};

// A nameless file to write and read back once.
class Scratch : public Output {
public:
    // Writes out what is buffered and rewinds; a descriptor to read the
    // bytes from, -1 after a failure.
    virtual int Rewind() = 0;
};

} // namespace print
