#include "TextInput.h"

#include "platform/Utf8.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace print {

namespace {

// A paragraph longer than this many characters is laid out in pieces, each
// ending at a space where one is near.
constexpr std::size_t kLongestParagraph = 16384;
constexpr std::size_t kMostWarnings = 100;

} // namespace

std::string ShownBytes(const unsigned char* bytes, std::size_t size) {
    std::string shown;
    for (std::size_t i = 0; i < size; ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", bytes[i]);
        shown += hex;
    }
    return shown;
}

std::string CodePointName(std::uint32_t codePoint) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
    return name;
}

TextInput::TextInput(PageLayout& layout, Reporter& reporter) : layout_(layout), reporter_(reporter) {
    text_.reserve(kLongestParagraph + 8);
}

bool TextInput::Print(int descriptor, const std::string& name, off_t size, std::string& error) {
    name_ = name;
    line_ = 1;
    column_ = 1;
    text_.clear();
    formFeedOnLine_ = false;
    std::vector<unsigned char> buffer(1 << 16);
    std::size_t pending = 0; // bytes of a sequence the next read may finish
    off_t done = 0;
    std::size_t reads = 0;
    for (;;) {
        ssize_t got = read(descriptor, buffer.data() + pending, buffer.size() - pending);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = "cannot read " + Describe() + ": " + (errno == EISDIR ? "it is a folder" : std::strerror(errno));
            return false;
        }
        done += got;
        std::size_t held = pending + static_cast<std::size_t>(got);
        bool last = got == 0;
        pending = Decode(buffer.data(), held, last);
        if (last)
            break;
        std::memmove(buffer.data(), buffer.data() + held - pending, pending);
        if (++reads % 4 == 0)
            reporter_.Progress(name_, done, size, layout_.Pages());
    }
    if (!text_.empty() || (column_ > 1 && !formFeedOnLine_))
        EndParagraph();
    return true;
}

void TextInput::FinishWarnings() {
    if (warnings_ > kMostWarnings)
        reporter_.Warning(std::to_string(warnings_ - kMostWarnings) + " more warnings like these were left out");
}

std::string TextInput::Describe() const { return name_.empty() ? "standard input" : Quoted(name_); }

// Decodes bytes[0, size); gives how many bytes at the end start a
// character that the next read may finish.
std::size_t TextInput::Decode(const unsigned char* bytes, std::size_t size, bool last) {
    std::size_t at = 0;
    while (at < size) {
        unsigned char byte = bytes[at];
        if (byte < 0x80 && byte != 0) {
            ++at;
            if (byte >= 0x20 && byte != 0x7F)
                Add(byte);
            else if (byte == '\n')
                EndLine();
            else if (byte == '\t')
                Add(byte);
            else if (byte == '\f')
                FormFeed();
            else
                ++column_; // a line end's carriage return and other controls draw nothing
            continue;
        }
        platform::Utf8Step step = platform::DecodeUtf8(bytes + at, size - at);
        if (step.truncated && !last)
            return size - at;
        if (step.valid && step.codePoint != 0) {
            if (step.codePoint >= 0xA0)
                Add(step.codePoint);
            else
                ++column_;
        } else {
            ++errors_;
            std::string where = (name_.empty() ? std::string() : Quoted(name_) + ", ") + "line " +
                                std::to_string(line_) + ", column " + std::to_string(column_) + ": ";
            if (step.length == 1 && bytes[at] == 0)
                Warning(where + "a NUL byte is drawn as '?'");
            else
                Warning(where + ShownBytes(bytes + at, step.length) + " is not UTF-8; it is drawn as '?'");
            Add('?');
        }
        at += step.length;
    }
    return 0;
}

void TextInput::Add(char32_t c) {
    if (text_.empty())
        textColumn_ = column_;
    text_ += c;
    ++column_;
    if (text_.size() >= kLongestParagraph)
        SplitLongParagraph();
}

void TextInput::SplitLongParagraph() {
    std::size_t cut = text_.rfind(U' ');
    if (cut == std::u32string::npos || cut + 1024 < text_.size())
        cut = text_.size() - 64;
    else
        ++cut;
    std::u32string rest = text_.substr(cut);
    text_.resize(cut);
    layout_.Paragraph(text_, line_, textColumn_);
    text_ = rest;
    textColumn_ += cut;
}

void TextInput::EndParagraph() {
    layout_.Paragraph(text_, line_, textColumn_);
    text_.clear();
}

void TextInput::EndLine() {
    if (!text_.empty() || !formFeedOnLine_)
        EndParagraph();
    ++line_;
    column_ = 1;
    formFeedOnLine_ = false;
}

void TextInput::FormFeed() {
    if (!text_.empty())
        EndParagraph();
    layout_.FormFeed();
    formFeedOnLine_ = true;
    ++column_;
}

void TextInput::Warning(const std::string& message) {
    if (++warnings_ <= kMostWarnings)
        reporter_.Warning(message);
}

} // namespace print
