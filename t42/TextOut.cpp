// PostScript code that draws a host string in the converted font: runs of
// bytes below 128 with show, every other byte by glyph name with glyphshow.
#include "TextOut.h"
#include "PsSyntax.h"

#include <cstring>

namespace t42 {

namespace {

constexpr int kGlyphItemEstimate = 24; // what a glyph item counts on a line
constexpr int kLineLimit = 65;
constexpr std::size_t kMaxRunBytes = 65535; // interpreters' limit on a string's length
constexpr const char kRunOpen[] = "(";
constexpr const char kRunClose[] = ") show ";

// The run item "(...) show ", with ( ) and \ escaped so that host text stays
// data; nothing is written when it does not fit.
int AppendRun(const char* run, std::size_t length, char*& out, int& budget, int& itemLength) {
    std::size_t escaped = EscapedLength(run, length, kEscapeParentheses);
    std::size_t total = escaped + sizeof kRunOpen - 1 + sizeof kRunClose - 1;
    if (budget < 0 || total > static_cast<std::size_t>(budget))
        return kBufferTooSmall;
    *out++ = '(';
    out = WriteEscaped(out, run, length, kEscapeParentheses);
    std::memcpy(out, kRunClose, sizeof kRunClose - 1);
    out += sizeof kRunClose - 1;
    budget -= static_cast<int>(total);
    itemLength = static_cast<int>(total);
    return kOk;
}

// The pending run as run items of at most kMaxRunBytes bytes of text each,
// one after another on the line; their lengths count on the line.
int FlushRun(const char* run, std::size_t length, char*& out, int& budget, long long& lineEstimate) {
    for (std::size_t done = 0; done < length; done += kMaxRunBytes) {
        int itemLength = 0;
        std::size_t piece = length - done < kMaxRunBytes ? length - done : kMaxRunBytes;
        if (AppendRun(run + done, piece, out, budget, itemLength) != kOk)
            return kBufferTooSmall;
        lineEstimate += itemLength;
    }
    return kOk;
}

// A line break only where one fits; a missing one is no error.
void AppendLineBreak(char*& out, int& budget) {
    if (budget >= 1) {
        *out++ = '\n';
        --budget;
    }
}

// Writes the glyph item of one byte at `out`; -1004 when it does not fit.
int AppendGlyphShow(const GlyphItems& items, unsigned char byte, char*& out, int& budget) {
    const std::string& item = items.Item(byte);
    int length = static_cast<int>(item.size());
    if (length > budget)
        return kBufferTooSmall;
    std::memcpy(out, item.data(), item.size());
    out += length;
    budget -= length;
    return kOk;
}

} // namespace

int TextOut(const GlyphItems& items, const char* text, char* out, int outSize) {
    if (!out || outSize < 0)
        outSize = 0; // nothing can be written
    int budget = outSize - 1;
    if (outSize > 0)
        std::memset(out, 0, static_cast<std::size_t>(outSize));
    long long lineEstimate = 0;
    const char* run = text;
    std::size_t runLength = 0;
    for (const char* at = text; *at; ++at) {
        unsigned char byte = static_cast<unsigned char>(*at);
        if (byte < 128) {
            if (runLength == 0)
                run = at;
            ++runLength;
            continue;
        }
        if (FlushRun(run, runLength, out, budget, lineEstimate) != kOk)
            return kBufferTooSmall;
        runLength = 0;
        lineEstimate += kGlyphItemEstimate;
        if (AppendGlyphShow(items, byte, out, budget) != kOk)
            return kBufferTooSmall;
        if (lineEstimate > kLineLimit) {
            AppendLineBreak(out, budget);
            lineEstimate = 0;
        }
    }
    if (FlushRun(run, runLength, out, budget, lineEstimate) != kOk)
        return kBufferTooSmall;
    AppendLineBreak(out, budget);
    return kOk;
}

} // namespace t42
