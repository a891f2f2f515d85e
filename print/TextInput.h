// Text files on their way to the layout: read in chunks, decoded and cut
// into paragraphs (a line of the input, its part before or after a form
// feed, or a piece of a very long line). A file is read as UTF-8, strictly
// (each invalid sequence and NUL byte is drawn as '?' and reported with its
// line and column), unless it names its charset or its first bytes are not
// UTF-8: then it is read in the charset uchardet finds for them. Overstrike
// as nroff writes it and terminal escape sequences become text styles.
// Columns in messages count characters as a terminal shows them.
#pragma once

#include "Charset.h"
#include "Escapes.h"
#include "Layout.h"
#include "Messages.h"

#include <cstddef>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace print {

struct InputOptions {
    std::string charset;  // empty: UTF-8, or what the file's first bytes look like
    bool escapes = true;  // terminal escape sequences styled and taken out
    bool force = false;   // print files that look binary
};

class TextInput {
public:
    TextInput(PageLayout& layout, Reporter& reporter, const InputOptions& options);
    ~TextInput();

    // Reads the start of what `descriptor` holds and decides how to read
    // it; `name` ("": standard input) is for messages and `size` (0:
    // unknown) for the progress. False with a sentence in `error` when it
    // cannot be read.
    bool Open(int descriptor, const std::string& name, off_t size, std::string& error);
    // Why the opened file is not printed ("it holds NUL bytes"); empty
    // when it is text (or --force asks for it anyway).
    const std::string& Binary() const { return binary_; }
    // Lays out the opened file. False with a sentence in `error` when it
    // cannot be read.
    bool Print(std::string& error);

    // Invalid sequences and NUL bytes so far.
    std::size_t Errors() const { return errors_; }
    // Says how many warnings were left out, once there were too many.
    void FinishWarnings();

private:
    bool Read(std::size_t at, std::size_t& got, std::string& error);
    void ChooseCharset();
    std::string Describe() const;
    std::size_t Decode(const unsigned char* bytes, std::size_t size, bool last);
    std::size_t DecodeUtf8(const unsigned char* bytes, std::size_t size, bool last);
    void Invalid(const unsigned char* bytes, std::size_t size);
    void Character(char32_t c);
    void Backspace();
    bool Overstrike(char32_t c);
    void Add(char32_t c);
    void KeepStyles();
    void AddStyle(const TextStyle& style, std::size_t count);
    std::size_t AddPrintableAscii(const unsigned char* bytes, std::size_t size);
    void SplitLongParagraph();
    void EmitParagraph();
    void EndParagraph();
    void EndLine();
    void FormFeed();
    void Warning(const std::string& message);

    PageLayout& layout_;
    Reporter& reporter_;
    InputOptions options_;
    int descriptor_ = -1;
    std::string name_;
    off_t size_ = 0;
    std::vector<unsigned char> buffer_;
    std::size_t held_ = 0;   // bytes of the file's start in buffer_
    bool ended_ = false;     // the file ends within them
    std::string binary_;
    std::unique_ptr<CharsetDecoder> charset_; // null: UTF-8
    std::string charsetName_;
    EscapeReader escapes_;
    bool backspace_ = false; // the next character is struck over the last
    std::u32string text_;
    std::vector<TextStyle> styleOf_; // of each character of text_ once styled_
    bool styled_ = false;            // some of them are not plain
    std::vector<StyleSpan> spans_;
    std::size_t line_ = 1, column_ = 1, textColumn_ = 1;
    bool formFeedOnLine_ = false;
    std::size_t errors_ = 0, warnings_ = 0;
};

} // namespace print
