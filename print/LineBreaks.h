// Where a paragraph's lines may end: the Unicode line-breaking rules (with
// ICU's dictionaries for Thai, Lao, Khmer and Myanmar, which write no
// spaces between words), and the grapheme clusters a word too long for its
// line is cut between. The paragraph is handed to ICU only when one of its
// lines is too long, and the iterators are made once for the whole job, the
// first time one is.
#pragma once

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace print {

class LineBreaks {
public:
    LineBreaks();
    ~LineBreaks();
    LineBreaks(const LineBreaks&) = delete;
    LineBreaks& operator=(const LineBreaks&) = delete;

    // The paragraph the next questions are about; it must stay as it is
    // until the next call. Costs nothing until a question is asked.
    void SetParagraph(const std::u32string& text);

    // The last line break opportunity at or before `limit` (characters,
    // the break coming before text[limit]) and after `after`; npos when
    // there is none.
    std::size_t LastBreak(std::size_t after, std::size_t limit);
    // The same between grapheme clusters.
    std::size_t LastGraphemeBoundary(std::size_t after, std::size_t limit);
    // The first boundary between grapheme clusters after `after`.
    std::size_t NextGraphemeBoundary(std::size_t after);

    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

private:
    void Prepare();
    void MakeIterators();
    std::size_t Last(icu::BreakIterator& iterator, std::size_t after, std::size_t limit);

    std::unique_ptr<icu::BreakIterator> lines_, graphemes_;
    bool made_ = false;
    const std::u32string* text_ = nullptr;
    bool prepared_ = false;
    std::u16string units_;
    icu::UnicodeString utf16_; // an alias of units_
    std::vector<std::int32_t> unitOf_;     // per character and one past the end: its UTF-16 offset
    std::vector<std::size_t> characterOf_; // per UTF-16 unit: its character
};

} // namespace print
