// Text files on their way to the layout: read in chunks, decoded strictly
// as UTF-8 and cut into paragraphs (a line of the input, its part before
// or after a form feed, or a piece of a very long line). Each invalid
// sequence and NUL byte is drawn as '?' and reported with its line and
// column.
#pragma once

#include "Layout.h"
#include "Messages.h"

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace print {

class TextInput {
public:
    TextInput(PageLayout& layout, Reporter& reporter);

    // Lays out what `descriptor` holds; `name` ("": standard input) is for
    // messages and `size` (0: unknown) for the progress. False with a
    // sentence in `error` when it cannot be read.
    bool Print(int descriptor, const std::string& name, off_t size, std::string& error);

    // Invalid sequences and NUL bytes so far.
    std::size_t Errors() const { return errors_; }
    // Says how many warnings were left out, once there were too many.
    void FinishWarnings();

private:
    std::string Describe() const;
    std::size_t Decode(const unsigned char* bytes, std::size_t size, bool last);
    void Add(char32_t c);
    void SplitLongParagraph();
    void EndParagraph();
    void EndLine();
    void FormFeed();
    void Warning(const std::string& message);

    PageLayout& layout_;
    Reporter& reporter_;
    std::string name_;
    std::u32string text_;
    std::size_t line_ = 1, column_ = 1, textColumn_ = 1;
    bool formFeedOnLine_ = false;
    std::size_t errors_ = 0, warnings_ = 0;
};

} // namespace print
