// How a stretch of input text asks to be drawn: bold and underlined as
// nroff's overstrike writes it, or in the colours and faces of a terminal's
// escape sequences.
#pragma once

#include "Page.h"

#include <cstdint>

namespace print {

struct TextStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::uint32_t color = kBlack; // 0xRRGGBB

    bool operator==(const TextStyle& other) const {
        return bold == other.bold && italic == other.italic && underline == other.underline && color == other.color;
    }
    bool operator!=(const TextStyle& other) const { return !(*this == other); }
    bool Plain() const { return *this == TextStyle(); }
};

// A paragraph's styles: each span from its first character to the next
// span's (or the paragraph's end). Empty: all plain.
struct StyleSpan {
    std::size_t start;
    TextStyle style;
};

} // namespace print
