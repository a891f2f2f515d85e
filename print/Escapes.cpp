#include "Escapes.h"

#include <cstdint>
#include <vector>

namespace print {

namespace {

constexpr char32_t kEscape = 0x1B;
constexpr char32_t kBell = 0x07;
constexpr std::size_t kLongestParameters = 64;

// The 16 colours of a terminal, as xterm shows them.
constexpr std::uint32_t kBasicColors[16] = {0x000000, 0xCD0000, 0x00CD00, 0xCDCD00, 0x0000EE, 0xCD00CD,
                                            0x00CDCD, 0xE5E5E5, 0x7F7F7F, 0xFF0000, 0x00FF00, 0xFFFF00,
                                            0x5C5CFF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

// A colour of the 256-colour palette: the 16, a 6x6x6 cube, 24 greys.
std::uint32_t PaletteColor(unsigned index) {
    if (index < 16)
        return kBasicColors[index];
    if (index < 232) {
        static const unsigned kLevels[6] = {0, 95, 135, 175, 215, 255};
        unsigned cube = index - 16;
        return kLevels[cube / 36] << 16 | kLevels[cube / 6 % 6] << 8 | kLevels[cube % 6];
    }
    unsigned grey = 8 + 10 * (index - 232);
    return grey << 16 | grey << 8 | grey;
}

// The numbers of "1;38;5;208": empty ones are 0; ':' separates as ';' does.
std::vector<unsigned> SgrNumbers(const std::string& parameters) {
    std::vector<unsigned> numbers(1, 0);
    for (char c : parameters) {
        if (c == ';' || c == ':')
            numbers.push_back(0);
        else if (numbers.back() < 100000)
            numbers.back() = numbers.back() * 10 + static_cast<unsigned>(c - '0');
    }
    return numbers;
}

bool IsSgrParameters(const std::string& parameters) {
    for (char c : parameters)
        if (!(c >= '0' && c <= '9') && c != ';' && c != ':')
            return false;
    return true;
}

} // namespace

void EscapeReader::Reset() {
    state_ = State::text;
    style_ = TextStyle();
}

bool EscapeReader::Take(char32_t c) {
    if (state_ == State::text) {
        if (c != kEscape)
            return false;
        state_ = State::escape;
        return true;
    }
    bool inString = state_ == State::string || state_ == State::stringEscape;
    if (c == '\n' || c == '\r' || (c > 0x7E && !inString)) {
        state_ = State::text;
        return false;
    }
    switch (state_) {
    case State::escape:
        if (c == '[') {
            state_ = State::csi;
            parameters_.clear();
            overlong_ = false;
        } else if (c == ']' || c == 'P' || c == '^' || c == '_' || c == 'X') {
            state_ = State::string;
        } else if (c >= 0x20 && c <= 0x2F) {
            state_ = State::intermediate;
        } else if (c >= 0x30 && c <= 0x7E) {
            state_ = State::text;
        } else if (c != kEscape) {
            state_ = State::text;
            return false;
        }
        return true;
    case State::csi:
        if (c >= 0x20 && c <= 0x3F) {
            if (parameters_.size() < kLongestParameters)
                parameters_ += static_cast<char>(c);
            else
                overlong_ = true;
            return true;
        }
        if (c >= 0x40 && c <= 0x7E) {
            if (c == 'm' && !overlong_ && IsSgrParameters(parameters_))
                ApplySgr();
            state_ = State::text;
            return true;
        }
        break;
    case State::string:
        if (c == kBell)
            state_ = State::text;
        else if (c == kEscape)
            state_ = State::stringEscape;
        return true;
    case State::stringEscape:
        // ESC \ ends the string; any other ESC starts a sequence of its own.
        state_ = State::escape;
        if (c == '\\') {
            state_ = State::text;
            return true;
        }
        return Take(c);
    case State::intermediate:
        if (c >= 0x20 && c <= 0x7E) {
            if (c >= 0x30)
                state_ = State::text;
            return true;
        }
        break;
    case State::text:
        break;
    }
    // A control ends the sequence; ESC begins a new one.
    state_ = c == kEscape ? State::escape : State::text;
    return c == kEscape;
}

void EscapeReader::ApplySgr() {
    std::vector<unsigned> numbers = SgrNumbers(parameters_);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        unsigned n = numbers[i];
        if (n == 0)
            style_ = TextStyle();
        else if (n == 1)
            style_.bold = true;
        else if (n == 22)
            style_.bold = false;
        else if (n == 3)
            style_.italic = true;
        else if (n == 23)
            style_.italic = false;
        else if (n == 4)
            style_.underline = true;
        else if (n == 24)
            style_.underline = false;
        else if (n >= 30 && n <= 37)
            style_.color = kBasicColors[n - 30];
        else if (n >= 90 && n <= 97)
            style_.color = kBasicColors[n - 90 + 8];
        else if (n == 39)
            style_.color = kBlack;
        else if (n == 38 || n == 48 || n == 58) {
            // An extended colour: 5;N or 2;R;G;B. Only the foreground's is drawn.
            std::uint32_t color = style_.color;
            if (i + 2 < numbers.size() && numbers[i + 1] == 5) {
                color = PaletteColor(numbers[i + 2] & 0xFF);
                i += 2;
            } else if (i + 4 < numbers.size() && numbers[i + 1] == 2) {
                color = (numbers[i + 2] & 0xFF) << 16 | (numbers[i + 3] & 0xFF) << 8 | (numbers[i + 4] & 0xFF);
                i += 4;
            } else {
                i = numbers.size();
            }
            if (n == 38)
                style_.color = color;
        }
    }
}

} // namespace print
