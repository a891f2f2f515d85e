// Finding the font file of a face name among the installed TrueType fonts.
#pragma once

#include <string>

namespace t42 {

struct FontLocation {
    std::string path;
    int faceIndex = 0;
};

// The file and face of the first listed font one of whose face names
// equals `faceName`, without regard to case. False when none does, or when
// the list cannot be read that far.
bool FindFontFile(const char* faceName, FontLocation& location);

// Whether `faceName` is one of the " & "-joined face names of a listed
// value's display name (trailing white space ignored); `faceIndex` is its
// position.
bool MatchFaceName(const char* faceName, const char* displayName, int& faceIndex);

} // namespace t42
