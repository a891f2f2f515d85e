// PostScript code that draws a host string in the converted font: runs of
// bytes below 128 with show, every other character by glyph name with
// glyphshow.
#include "TextOut.h"
#include "PsSyntax.h"
#include "../platform/Utf8.h"

#include <cstring>

namespace t42 {

namespace {

constexpr int kGlyphItemEstimate = 24; // what a glyph item counts on a line
constexpr int kLineLimit = 65;
constexpr std::size_t kMaxRunBytes = 65535; // interpreters' limit on a string's length
constexpr const char kRunOpen[] = "(";
constexpr const char kRunClose[] = ") show ";

// Writes the items of one text into the caller's buffer: runs of bytes
// below 128 as they come, glyph items one at a time, and a line break
// after a glyph item once the line's estimate passes the limit.
class CodeWriter {
public:
    // Clears the buffer; nothing can be written into a null or empty one.
    CodeWriter(char* out, int outSize) : out_(out) {
        if (!out || outSize < 0)
            outSize = 0;
        budget_ = outSize - 1;
        if (outSize > 0)
            std::memset(out, 0, static_cast<std::size_t>(outSize));
    }

    // The bytes below 128 that stand between two glyph items (or the ends
    // of the text): the pending run.
    void Run(const char* run, std::size_t length) {
        run_ = run;
        runLength_ = length;
    }

    // One glyph item after the pending run; -1004 when either does not fit.
    int GlyphItem(const char* item, std::size_t length) {
        if (FlushRun() != kOk)
            return kBufferTooSmall;
        lineEstimate_ += kGlyphItemEstimate;
        if (length > static_cast<std::size_t>(budget_ < 0 ? 0 : budget_))
            return kBufferTooSmall;
        if (length != 0)
            std::memcpy(out_, item, length);
        out_ += length;
        budget_ -= static_cast<int>(length);
        if (lineEstimate_ > kLineLimit) {
            AppendLineBreak();
            lineEstimate_ = 0;
        }
        return kOk;
    }

    // The pending run and the closing line break.
    int Finish() {
        if (FlushRun() != kOk)
            return kBufferTooSmall;
        AppendLineBreak();
        return kOk;
    }

private:
    // The run item "(...) show ", with ( ) and \ escaped so that host text
    // stays data; nothing is written when it does not fit.
    int AppendRun(const char* run, std::size_t length) {
        std::size_t escaped = EscapedLength(run, length, kEscapeParentheses);
        std::size_t total = escaped + sizeof kRunOpen - 1 + sizeof kRunClose - 1;
        if (budget_ < 0 || total > static_cast<std::size_t>(budget_))
            return kBufferTooSmall;
        *out_++ = '(';
        out_ = WriteEscaped(out_, run, length, kEscapeParentheses);
        std::memcpy(out_, kRunClose, sizeof kRunClose - 1);
        out_ += sizeof kRunClose - 1;
        budget_ -= static_cast<int>(total);
        lineEstimate_ += static_cast<long long>(total);
        return kOk;
    }

    // The pending run as run items of at most kMaxRunBytes bytes of text
    // each, one after another on the line; their lengths count on the line.
    int FlushRun() {
        for (std::size_t done = 0; done < runLength_; done += kMaxRunBytes) {
            std::size_t piece = runLength_ - done < kMaxRunBytes ? runLength_ - done : kMaxRunBytes;
            if (AppendRun(run_ + done, piece) != kOk)
                return kBufferTooSmall;
        }
        runLength_ = 0;
        return kOk;
    }

    // A line break only where one fits; a missing one is no error.
    void AppendLineBreak() {
        if (budget_ >= 1) {
            *out_++ = '\n';
            --budget_;
        }
    }

    char* out_;
    int budget_ = 0;
    long long lineEstimate_ = 0;
    const char* run_ = nullptr;
    std::size_t runLength_ = 0;
};

} // namespace

int TextOut(const GlyphItems& items, const char* text, char* out, int outSize) {
    CodeWriter writer(out, outSize);
    GlyphItems::Lookup lookup(items); // locks only for a double-byte character
    for (const char* at = text; *at; ++at) {
        unsigned char byte = static_cast<unsigned char>(*at);
        if (byte < 128) {
            const char* run = at;
            while (at[1] != 0 && static_cast<unsigned char>(at[1]) < 128)
                ++at;
            writer.Run(run, static_cast<std::size_t>(at + 1 - run));
            continue;
        }
        int result;
        // A lead byte and whatever nonzero byte follows are one character,
        // as the runtime's multibyte functions read them.
        if (items.IsLeadByte(byte) && at[1] != 0) {
            std::string_view item = lookup.Pair(byte, static_cast<unsigned char>(at[1]));
            ++at;
            result = writer.GlyphItem(item.data(), item.size());
        } else {
            const std::string& item = items.Item(byte);
            result = writer.GlyphItem(item.data(), item.size());
        }
        if (result != kOk)
            return kBufferTooSmall;
    }
    return writer.Finish();
}

int TextOutUtf8(const GlyphItems& items, const char* text, char* out, int outSize) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t size = std::strlen(text);
    for (std::size_t at = 0; at < size;) {
        platform::Utf8Step step = platform::DecodeUtf8(bytes + at, size - at);
        if (!step.valid)
            return kBadText;
        at += step.length;
    }
    CodeWriter writer(out, outSize);
    GlyphItems::Lookup lookup(items);
    for (std::size_t at = 0; at < size;) {
        if (bytes[at] < 128) {
            std::size_t run = at;
            while (at < size && bytes[at] < 128)
                ++at;
            writer.Run(text + run, at - run);
            continue;
        }
        platform::Utf8Step step = platform::DecodeUtf8(bytes + at, size - at);
        at += step.length;
        std::string_view item = lookup.CodePoint(step.codePoint);
        if (writer.GlyphItem(item.data(), item.size()) != kOk)
            return kBufferTooSmall;
    }
    return writer.Finish();
}

} // namespace t42
