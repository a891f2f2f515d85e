// Where a command's output goes, written so that it never destroys data.
//
// A regular or missing target (a symbolic link is followed to its end) is
// written into a temporary file ".quelin-XXXXXX" in the target's folder,
// which is renamed over the target only after everything was written,
// flushed to the disk and closed; an existing target keeps its mode. On any
// failure, or a caught signal, the temporary file is removed and the target
// is left as it was. Standard output ("" or "-"), devices and FIFOs are
// written directly. A target that is one of the input files (same device
// and inode) is refused.
#pragma once

#include "print/Output.h"

#include <cstddef>
#include <sys/types.h>
#include <string>
#include <vector>

namespace cli {

// Marks a font file the command reads: no output may be written over it,
// whoever opened the output and whenever the font was read.
void ProtectFromOutput(const std::string& path);

class OutputFile : public print::Scratch {
public:
    OutputFile() = default;
    ~OutputFile() override; // an output not finished is discarded
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens `name` ("" and "-": standard output). `inputs` are the files
    // that must not be written over. False with one sentence in `error`.
    bool Open(const std::string& name, const std::vector<std::string>& inputs, std::string& error);

    // Opens a nameless scratch file in $TMPDIR (or /tmp), gone once closed.
    bool OpenScratch(std::string& error);

    // Buffered writing; after the first failure nothing more is written and
    // Error() says why.
    bool Write(const char* data, std::size_t size) override;
    using print::Output::Write;
    bool Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool Failed() const override { return errno_ != 0; }

    // Writes out the buffer, flushes and closes, and puts the file in place.
    // False with one sentence in Error().
    bool Finish();

    // Removes the temporary file; the target stays as it was.
    void Discard();

    // The scratch file: writes out the buffer and rewinds it for reading.
    // -1 after a failure.
    int Rewind() override;

    // The temporary file that another program may write by name instead of
    // this object; empty when the output is written directly. That program
    // must write it in place, and Finish() then puts it where it belongs.
    const std::string& TemporaryPath() const { return temporary_; }

    // "standard output" or the quoted file name, for messages.
    std::string Describe() const;
    // "cannot write standard output: No space left on device"
    std::string Error() const override;

private:
    bool Flush();
    bool Fail(int error);

    int descriptor_ = -1;
    bool isStandardOutput_ = false;
    bool scratch_ = false;
    mode_t mode_ = 0;       // of the file put in place
    std::string name_;      // as the user gave it
    std::string target_;    // the file the temporary is renamed to
    std::string temporary_; // empty when written directly
    std::vector<char> buffer_;
    std::vector<std::string> inputs_; // never written over
    std::string message_;             // a refusal that is not a system error
    int errno_ = 0;
};

// For standard input, output and error that were closed when the process
// started: /dev/null opened so that no file the process opens later takes
// their numbers. Closed standard output is opened read-only, so that every
// write to it fails (EBADF) and is reported.
void GuardStandardDescriptors();

} // namespace cli
