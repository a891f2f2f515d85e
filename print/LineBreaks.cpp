#include "LineBreaks.h"

#include <unicode/locid.h>

#include <algorithm>

namespace print {

LineBreaks::LineBreaks() {
    UErrorCode status = U_ZERO_ERROR;
    lines_.reset(icu::BreakIterator::createLineInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status))
        lines_.reset();
    status = U_ZERO_ERROR;
    graphemes_.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status))
        graphemes_.reset();
}

LineBreaks::~LineBreaks() = default;

void LineBreaks::SetParagraph(const std::u32string& text) {
    text_ = &text;
    prepared_ = false;
}

void LineBreaks::Prepare() {
    if (prepared_)
        return;
    prepared_ = true;
    const std::u32string& text = *text_;
    utf16_.remove();
    unitOf_.resize(text.size() + 1);
    characterOf_.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        unitOf_[i] = utf16_.length();
        char32_t c = text[i] <= 0x10FFFF && (text[i] < 0xD800 || text[i] > 0xDFFF) ? text[i] : 0xFFFD;
        utf16_.append(static_cast<UChar32>(c));
        characterOf_.resize(static_cast<std::size_t>(utf16_.length()), i);
    }
    unitOf_[text.size()] = utf16_.length();
    characterOf_.push_back(text.size());
    if (lines_)
        lines_->setText(utf16_);
    if (graphemes_)
        graphemes_->setText(utf16_);
}

// The last boundary of `iterator` in (after, limit] that starts a character.
std::size_t LineBreaks::Last(icu::BreakIterator& iterator, std::size_t after, std::size_t limit) {
    Prepare();
    std::int32_t at = iterator.preceding(std::min(unitOf_[limit] + 1, utf16_.length()));
    while (at != icu::BreakIterator::DONE) {
        std::size_t character = characterOf_[static_cast<std::size_t>(at)];
        if (character <= after)
            break;
        if (unitOf_[character] == at)
            return character;
        at = iterator.previous();
    }
    return npos;
}

std::size_t LineBreaks::LastBreak(std::size_t after, std::size_t limit) {
    return lines_ ? Last(*lines_, after, limit) : npos;
}

std::size_t LineBreaks::LastGraphemeBoundary(std::size_t after, std::size_t limit) {
    return graphemes_ ? Last(*graphemes_, after, limit) : npos;
}

std::size_t LineBreaks::NextGraphemeBoundary(std::size_t after) {
    if (!graphemes_)
        return after + 1;
    Prepare();
    std::int32_t at = graphemes_->following(unitOf_[after]);
    return at == icu::BreakIterator::DONE ? text_->size() : characterOf_[static_cast<std::size_t>(at)];
}

} // namespace print
