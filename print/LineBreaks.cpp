#include "LineBreaks.h"

#include <unicode/locid.h>

namespace print {

LineBreaks::LineBreaks() = default;

// The iterators, made when the first paragraph needs them: a job whose
// lines all fit never loads ICU's rules.
void LineBreaks::MakeIterators() {
    made_ = true;
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
    if (!made_)
        MakeIterators();
    const std::u32string& text = *text_;
    units_.clear();
    unitOf_.resize(text.size() + 1);
    characterOf_.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        unitOf_[i] = static_cast<std::int32_t>(units_.size());
        char32_t c = text[i] <= 0x10FFFF && (text[i] < 0xD800 || text[i] > 0xDFFF) ? text[i] : 0xFFFD;
        if (c < 0x10000) {
            units_ += static_cast<char16_t>(c);
            characterOf_.push_back(i);
        } else {
            units_ += static_cast<char16_t>(0xD7C0 + (c >> 10));
            units_ += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
            characterOf_.insert(characterOf_.end(), 2, i);
        }
    }
    unitOf_[text.size()] = static_cast<std::int32_t>(units_.size());
    characterOf_.push_back(text.size());
    // The iterators read the units where they are.
    utf16_.setTo(false, units_.data(), static_cast<std::int32_t>(units_.size()));
    if (lines_)
        lines_->setText(utf16_);
    if (graphemes_)
        graphemes_->setText(utf16_);
}

// The last boundary of `iterator` in (after, limit] that starts a
// character. Lines are asked about in order, so the boundaries are walked
// forward from the line's start: ICU finds each once.
std::size_t LineBreaks::Last(icu::BreakIterator& iterator, std::size_t after, std::size_t limit) {
    std::size_t last = npos;
    for (std::int32_t at = iterator.following(unitOf_[after]); at != icu::BreakIterator::DONE && at <= unitOf_[limit];
         at = iterator.next()) {
        std::size_t character = characterOf_[static_cast<std::size_t>(at)];
        if (unitOf_[character] == at)
            last = character;
    }
    return last;
}

std::size_t LineBreaks::LastBreak(std::size_t after, std::size_t limit) {
    Prepare();
    return lines_ ? Last(*lines_, after, limit) : npos;
}

std::size_t LineBreaks::LastGraphemeBoundary(std::size_t after, std::size_t limit) {
    Prepare();
    return graphemes_ ? Last(*graphemes_, after, limit) : npos;
}

std::size_t LineBreaks::NextGraphemeBoundary(std::size_t after) {
    Prepare();
    if (!graphemes_)
        return after + 1;
    std::int32_t at = graphemes_->following(unitOf_[after]);
    return at == icu::BreakIterator::DONE ? text_->size() : characterOf_[static_cast<std::size_t>(at)];
}

} // namespace print
