// Terminal text on its way to the library: read line by line in chunks of
// any size, decoded strictly as UTF-8 and converted to the request's code
// page, and handed on in bounded pieces that end between characters.
//
// A byte sequence that is not UTF-8 (by the maximal-subpart rule, see
// platform/Utf8.h) and a NUL byte are each drawn as one '?' and reported on
// standard error with their line and column (characters, from 1); a
// character that the code page lacks is written as '?' and named.
#pragma once

#include "print/Messages.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace cli {

using print::CodePointName;
using print::ShownBytes;

class TextDecoder {
public:
    // Receives each piece in the code page; false stops the text.
    using PieceSink = std::function<bool(const std::string& hostText)>;

    // The largest piece, in bytes, that the sink receives (a double-byte
    // character may take it one byte further).
    static constexpr std::size_t kPieceBytes = 4096;

    // `raw`: the bytes pass as they are, NUL bytes apart.
    TextDecoder(std::uint32_t codePage, bool raw, PieceSink sink);

    void BeginLine(std::size_t lineNumber);
    bool Feed(const char* bytes, std::size_t size);
    bool EndLine();

    // Invalid sequences and NUL bytes so far.
    std::size_t Errors() const { return errors_; }

    // Says how many warnings were left out, once there were too many.
    void FinishWarnings();

private:
    bool Emit();
    bool Append(const char* bytes, std::size_t size);
    bool AppendError(const unsigned char* bytes, std::size_t size);
    bool FeedRaw(const char* bytes, std::size_t size);
    void Warn(const std::string& message);

    std::uint32_t codePage_;
    bool raw_;
    PieceSink sink_;
    std::size_t line_ = 0;
    std::size_t column_ = 0;        // characters of the line so far
    unsigned char pending_[4] = {}; // a sequence that the next chunk may finish
    std::size_t pendingSize_ = 0;
    bool afterLead_ = false; // raw text: the last byte is a lead byte
    std::string piece_;      // UTF-8, or raw bytes
    std::size_t errors_ = 0;
    std::size_t warnings_ = 0;
};

} // namespace cli
