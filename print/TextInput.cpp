#include "TextInput.h"

#include "platform/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace print {

namespace {

// A paragraph longer than this many characters is laid out in pieces, each
// ending at a space where one is near.
constexpr std::size_t kLongestParagraph = 16384;
constexpr std::size_t kMostWarnings = 100;
// How much of a file's start is read before it is printed: all of it is
// looked at for its charset, the first kBinaryBytes for NUL bytes.
constexpr std::size_t kHeadBytes = 1 << 16;
constexpr std::size_t kBinaryBytes = 1 << 15;

// Whether bytes[0, size) are UTF-8; a character cut off at the end counts
// as one unless the file ends there.
bool IsUtf8(const unsigned char* bytes, std::size_t size, bool ended) {
    for (std::size_t at = 0; at < size;) {
        if (bytes[at] < 0x80) {
            ++at;
            continue;
        }
        platform::Utf8Step step = platform::DecodeUtf8(bytes + at, size - at);
        if (step.truncated && !ended)
            return true;
        if (!step.valid)
            return false;
        at += step.length;
    }
    return true;
}

bool IsDrawn(char32_t c) { return (c >= 0x20 && c < 0x7F) || c >= 0xA0; }

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

TextInput::TextInput(PageLayout& layout, Reporter& reporter, const InputOptions& options)
    : layout_(layout), reporter_(reporter), options_(options), buffer_(kHeadBytes) {
    text_.reserve(kLongestParagraph + 8);
}

TextInput::~TextInput() = default;

// Reads into buffer_ from `at`; `got` 0 at the end.
bool TextInput::Read(std::size_t at, std::size_t& got, std::string& error) {
    for (;;) {
        ssize_t count = read(descriptor_, buffer_.data() + at, buffer_.size() - at);
        if (count >= 0) {
            got = static_cast<std::size_t>(count);
            return true;
        }
        if (errno != EINTR) {
            error = "cannot read " + Describe() + ": " + (errno == EISDIR ? "it is a folder" : std::strerror(errno));
            return false;
        }
    }
}

bool TextInput::Open(int descriptor, const std::string& name, off_t size, std::string& error) {
    descriptor_ = descriptor;
    name_ = name;
    size_ = size;
    held_ = 0;
    ended_ = false;
    while (held_ < buffer_.size() && !ended_) {
        std::size_t got = 0;
        if (!Read(held_, got, error))
            return false;
        held_ += got;
        ended_ = got == 0;
    }
    ChooseCharset();
    return true;
}

// UTF-8 unless the options name another charset or the file's start is
// not UTF-8; a file with NUL bytes in its start, or one that uchardet
// finds no charset for, is binary.
void TextInput::ChooseCharset() {
    charset_.reset();
    charsetName_ = "UTF-8";
    binary_.clear();
    if (!options_.charset.empty()) {
        if (!IsUtf8Charset(options_.charset)) {
            charset_ = std::make_unique<CharsetDecoder>(options_.charset);
            charsetName_ = options_.charset;
        }
        return;
    }
    if (std::memchr(buffer_.data(), 0, std::min(held_, kBinaryBytes)))
        binary_ = "it holds NUL bytes";
    else if (!IsUtf8(buffer_.data(), held_, ended_)) {
        std::string guess = GuessCharset(buffer_.data(), held_);
        if (guess.empty()) {
            binary_ = "it is neither UTF-8 nor any other charset that uchardet knows";
        } else if (!IsUtf8Charset(guess)) {
            auto decoder = std::make_unique<CharsetDecoder>(guess);
            if (decoder->Ok()) {
                charset_ = std::move(decoder);
                charsetName_ = guess;
                reporter_.Warning(Describe() + " is not UTF-8; it is read as " + guess +
                                  ", as its first bytes suggest (--encoding NAME reads it as NAME)");
            }
        }
    }
    if (options_.force)
        binary_.clear();
}

bool TextInput::Print(std::string& error) {
    line_ = 1;
    column_ = 1;
    text_.clear();
    styleOf_.clear();
    styled_ = false;
    backspace_ = false;
    escapes_.Reset();
    formFeedOnLine_ = false;
    std::size_t pending = Decode(buffer_.data(), held_, ended_);
    off_t done = static_cast<off_t>(held_);
    for (std::size_t reads = 0; !ended_; ++reads) {
        std::memmove(buffer_.data(), buffer_.data() + held_ - pending, pending);
        std::size_t got = 0;
        if (!Read(pending, got, error))
            return false;
        done += static_cast<off_t>(got);
        held_ = pending + got;
        ended_ = got == 0;
        pending = Decode(buffer_.data(), held_, ended_);
        if (reads % 4 == 3)
            reporter_.Progress(name_, done, size_, layout_.Pages());
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
    if (!charset_)
        return DecodeUtf8(bytes, size, last);
    return charset_->Decode(
        bytes, size, last, [this](char32_t c) { Character(c); },
        [this](unsigned char byte) { Invalid(&byte, 1); });
}

std::size_t TextInput::DecodeUtf8(const unsigned char* bytes, std::size_t size, bool last) {
    std::size_t at = 0;
    while (at < size) {
        unsigned char byte = bytes[at];
        if (byte >= 0x20 && byte < 0x7F && !backspace_ && (!options_.escapes || escapes_.InText())) {
            at += AddPrintableAscii(bytes + at, size - at);
            continue;
        }
        if (byte < 0x80 && byte != 0) {
            ++at;
            Character(byte);
            continue;
        }
        platform::Utf8Step step = platform::DecodeUtf8(bytes + at, size - at);
        if (step.truncated && !last)
            return size - at;
        if (step.valid && step.codePoint != 0)
            Character(step.codePoint);
        else
            Invalid(bytes + at, step.length);
        at += step.length;
    }
    return 0;
}

// A NUL byte or bytes that are no character of the charset: drawn as '?'.
void TextInput::Invalid(const unsigned char* bytes, std::size_t size) {
    ++errors_;
    std::string where = (name_.empty() ? std::string() : Quoted(name_) + ", ") + "line " + std::to_string(line_) +
                        ", column " + std::to_string(column_) + ": ";
    if (size == 1 && bytes[0] == 0)
        Warning(where + "a NUL byte is drawn as '?'");
    else
        Warning(where + ShownBytes(bytes, size) + " is not " + charsetName_ + "; it is drawn as '?'");
    backspace_ = false;
    Add('?');
}

void TextInput::Character(char32_t c) {
    if (options_.escapes && escapes_.Take(c))
        return;
    if (backspace_ && Overstrike(c))
        return;
    backspace_ = false;
    if (IsDrawn(c) || c == '\t')
        Add(c);
    else if (c == '\n')
        EndLine();
    else if (c == '\f')
        FormFeed();
    else if (c == '\b')
        Backspace();
    else
        ++column_; // a line end's carriage return and other controls draw nothing
}

// Overstrike as nroff writes it: X BS X is a bold X, _ BS X (or X BS _)
// an underlined one; otherwise the later character is the one drawn.
void TextInput::Backspace() {
    backspace_ = !text_.empty() && text_.back() != '\t';
    if (column_ > 1)
        --column_;
}

bool TextInput::Overstrike(char32_t c) {
    if (!IsDrawn(c))
        return false;
    backspace_ = false;
    char32_t& last = text_.back();
    KeepStyles();
    TextStyle& style = styleOf_.back();
    if (c == last)
        style.bold = true;
    else if (last == '_' || c == '_')
        style.underline = true;
    if (c != '_')
        last = c;
    ++column_;
    return true;
}

void TextInput::Add(char32_t c) {
    if (text_.empty())
        textColumn_ = column_;
    text_ += c;
    AddStyle(escapes_.Style(), 1);
    ++column_;
    if (text_.size() >= kLongestParagraph)
        SplitLongParagraph();
}

// What Character does for each of the printable ASCII bytes that `bytes`
// starts with, outside an escape sequence and an overstrike, at once: they
// are drawn in the current style. Returns how many bytes it took.
std::size_t TextInput::AddPrintableAscii(const unsigned char* bytes, std::size_t size) {
    std::size_t count = 0;
    while (count < size && bytes[count] >= 0x20 && bytes[count] < 0x7F)
        ++count;
    const TextStyle& style = escapes_.Style();
    for (std::size_t done = 0; done < count;) {
        std::size_t take = std::min(count - done, kLongestParagraph - text_.size());
        if (text_.empty())
            textColumn_ = column_;
        std::size_t at = text_.size();
        text_.resize(at + take);
        std::copy(bytes + done, bytes + done + take, &text_[at]);
        AddStyle(style, take);
        column_ += take;
        done += take;
        if (text_.size() >= kLongestParagraph)
            SplitLongParagraph();
    }
    return count;
}

// Styles are kept, one per character, only once one of the paragraph's
// characters is not plain; until then styleOf_ is empty.
void TextInput::KeepStyles() {
    if (!styled_) {
        styleOf_.assign(text_.size(), TextStyle());
        styled_ = true;
    }
}

// The style of the last `count` characters added to text_.
void TextInput::AddStyle(const TextStyle& style, std::size_t count) {
    if (!styled_ && style.Plain())
        return;
    if (!styled_) {
        styleOf_.assign(text_.size() - count, TextStyle());
        styled_ = true;
    }
    styleOf_.insert(styleOf_.end(), count, style);
}

void TextInput::SplitLongParagraph() {
    std::size_t cut = text_.rfind(U' ');
    if (cut == std::u32string::npos || cut + 1024 < text_.size())
        cut = text_.size() - 64;
    else
        ++cut;
    std::u32string rest = text_.substr(cut);
    std::vector<TextStyle> restStyles;
    if (styled_) {
        restStyles.assign(styleOf_.begin() + static_cast<std::ptrdiff_t>(cut), styleOf_.end());
        styleOf_.resize(cut);
    }
    text_.resize(cut);
    EmitParagraph();
    text_ = rest;
    styleOf_ = restStyles;
    textColumn_ += cut;
}

// The paragraph in text_ to the layout, with the spans of its styles.
void TextInput::EmitParagraph() {
    spans_.clear();
    for (std::size_t i = 0; styled_ && i < styleOf_.size(); ++i)
        if (i == 0 ? !styleOf_[0].Plain() : styleOf_[i] != styleOf_[i - 1])
            spans_.push_back({i, styleOf_[i]});
    layout_.Paragraph(text_, line_, textColumn_, spans_);
}

void TextInput::EndParagraph() {
    EmitParagraph();
    text_.clear();
    styleOf_.clear();
    styled_ = false;
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
