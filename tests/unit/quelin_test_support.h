// Shared helpers of the unit tests: requests, the crafted fonts under face
// names of their own, and text output into a buffer of a given size.
#pragma once

#include "quelin.h"
#include "platform/Platform.h"
#include "t42/TTPost42.h"

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace quelin_test {

inline std::string FontsFolder() { return std::string(QUELIN_TEST_FONTS) + "/"; }

inline LOGFONTA Request(const char* faceName, int charSet = ANSI_CHARSET) {
    LOGFONTA request{};
    request.lfHeight = -12;
    request.lfWeight = 400;
    request.lfCharSet = static_cast<decltype(request.lfCharSet)>(charSet);
    std::strncpy(request.lfFaceName, faceName, sizeof request.lfFaceName - 1);
    return request;
}

// While it lives, the lookup sees exactly the given values, with file names
// taken against the crafted-fonts folder.
class CraftedFonts {
public:
    CraftedFonts(std::initializer_list<platform::FontValue> values) {
        platform::OverrideFontValues(values, FontsFolder());
    }
    ~CraftedFonts() { platform::ClearFontValuesOverride(); }
};

// Handles made through the exports, deleted again with their owner: the
// table is the process's own.
class OwnedFonts {
public:
    ~OwnedFonts() { DeleteAll(); }
    void DeleteAll() {
        for (int handle : handles_)
            T42DeleteTrueTypeFont(handle);
        handles_.clear();
    }
    int Make(const LOGFONTA& request) {
        int handle = T42MakeTrueTypeFont(&request);
        if (handle >= 1000)
            handles_.push_back(handle);
        return handle;
    }

private:
    std::vector<int> handles_;
};

// One crafted font converted by its own converter, as face "Crafted".
struct Conversion {
    explicit Conversion(const char* file, int charSet = ANSI_CHARSET) {
        CraftedFonts fonts{{"Crafted (TrueType)", file}};
        LOGFONTA request = Request("Crafted", charSet);
        result = converter.Convert(&request).code;
    }
    std::string Program() const { return converter.Program().Text(); }

    t42::TTPost42 converter;
    int result = 0;
};

// T42TextOut into a buffer of `size` bytes; the result code goes to *result.
inline std::string TextOut(int handle, const std::string& text, int size, int* result) {
    std::vector<char> out(static_cast<std::size_t>(size > 0 ? size : 1), '#');
    *result = T42TextOut(handle, text.c_str(), out.data(), size);
    return size > 0 ? std::string(out.data()) : std::string();
}

} // namespace quelin_test
