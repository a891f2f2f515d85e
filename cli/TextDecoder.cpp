#include "TextDecoder.h"
#include "ExitStatus.h"

#include "print/Messages.h"

#include "platform/Platform.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace cli {

namespace {

// Past this many warnings the rest are only counted.
constexpr std::size_t kMostWarnings = 100;

} // namespace

TextDecoder::TextDecoder(std::uint32_t codePage, bool raw, PieceSink sink)
    : codePage_(codePage), raw_(raw), sink_(std::move(sink)) {
    piece_.reserve(kPieceBytes + 4);
}

void TextDecoder::Warn(const std::string& message) {
    if (++warnings_ <= kMostWarnings)
        cli::Warn(message);
}

void TextDecoder::FinishWarnings() {
    if (warnings_ > kMostWarnings)
        cli::Warn(std::to_string(warnings_ - kMostWarnings) + " more warnings like these were left out");
}

void TextDecoder::BeginLine(std::size_t lineNumber) {
    line_ = lineNumber;
    column_ = 0;
    pendingSize_ = 0;
    afterLead_ = false;
    piece_.clear();
}

bool TextDecoder::Emit() {
    if (piece_.empty())
        return true;
    bool going;
    if (raw_) {
        going = sink_(piece_);
    } else {
        std::vector<std::uint32_t> missing;
        std::string host = platform::Utf8ToCodePage(piece_, codePage_, &missing);
        for (std::uint32_t codePoint : missing)
            Warn("line " + std::to_string(line_) + ": code page " + std::to_string(codePage_) + " has no " +
                 CodePointName(codePoint) + "; it is written as '?'");
        going = sink_(host);
    }
    piece_.clear();
    return going;
}

bool TextDecoder::Append(const char* bytes, std::size_t size) {
    ++column_;
    piece_.append(bytes, size);
    return piece_.size() < kPieceBytes || Emit();
}

bool TextDecoder::AppendError(const unsigned char* bytes, std::size_t size) {
    ++errors_;
    std::string where = "line " + std::to_string(line_) + ", column " + std::to_string(column_ + 1) + ": ";
    if (size == 1 && bytes[0] == 0) {
        Warn(where + "a NUL byte is written as '?'");
    } else {
        Warn(where + ShownBytes(bytes, size) + " is not UTF-8; it is written as '?'");
    }
    return Append("?", 1);
}

bool TextDecoder::FeedRaw(const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte == 0) {
            afterLead_ = false;
            if (!AppendError(&byte, 1))
                return false;
            continue;
        }
        afterLead_ = !afterLead_ && platform::IsLeadByteOf(codePage_, byte);
        ++column_;
        piece_ += static_cast<char>(byte);
        if (piece_.size() >= kPieceBytes && !afterLead_ && !Emit())
            return false;
    }
    return true;
}

bool TextDecoder::Feed(const char* text, std::size_t size) {
    if (raw_)
        return FeedRaw(text, size);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t at = 0;
    // First finish the sequence that the last chunk ended in.
    while (pendingSize_ > 0 && at < size) {
        pending_[pendingSize_++] = bytes[at++];
        platform::Utf8Step step = platform::DecodeUtf8(pending_, pendingSize_);
        if (step.truncated)
            continue;
        bool going = step.valid ? Append(reinterpret_cast<const char*>(pending_), step.length)
                                : AppendError(pending_, step.length);
        // What the step did not use comes from this chunk: read it again.
        at -= pendingSize_ - step.length;
        pendingSize_ = 0;
        if (!going)
            return false;
    }
    while (at < size) {
        unsigned char byte = bytes[at];
        if (byte != 0 && byte < 0x80) {
            if (!Append(text + at, 1))
                return false;
            ++at;
            continue;
        }
        platform::Utf8Step step = platform::DecodeUtf8(bytes + at, size - at);
        if (step.truncated) {
            // At most three bytes: the start of a sequence of four at most.
            pendingSize_ = std::min(step.length, sizeof pending_ - 1);
            std::memcpy(pending_, bytes + at, pendingSize_);
            return true;
        }
        bool going = step.valid && step.codePoint != 0 ? Append(text + at, step.length)
                                                       : AppendError(bytes + at, step.length);
        if (!going)
            return false;
        at += step.length;
    }
    return true;
}

bool TextDecoder::EndLine() {
    if (pendingSize_ > 0) {
        std::size_t size = pendingSize_;
        pendingSize_ = 0;
        if (!AppendError(pending_, size))
            return false;
    }
    return Emit();
}

} // namespace cli
