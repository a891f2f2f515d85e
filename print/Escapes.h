// Terminal escape sequences in text, read as a terminal pager shows them:
// SGR sequences set bold, italic, underline and the foreground colour
// (8 and 16 colours, the 256-colour palette, 24-bit RGB); every other
// control sequence (CSI, OSC and other strings, two-byte ESC sequences)
// is taken out and draws nothing.
#pragma once

#include "Style.h"

#include <string>

namespace print {

class EscapeReader {
public:
    // Whether `c` belongs to an escape sequence: it is not drawn. A
    // character that cannot continue the sequence (a line end, a control,
    // anything beyond ASCII) ends it unfinished and is drawn as usual.
    bool Take(char32_t c);
    // Whether no sequence is under way: Take keeps only an ESC.
    bool InText() const { return state_ == State::text; }

    // The style of the text that follows.
    const TextStyle& Style() const { return style_; }
    // A new file starts plain.
    void Reset();

private:
    enum class State { text, escape, csi, string, stringEscape, intermediate };
    void ApplySgr();

    State state_ = State::text;
    std::string parameters_; // of the CSI sequence being read
    bool overlong_ = false;
    TextStyle style_;
};

} // namespace print
