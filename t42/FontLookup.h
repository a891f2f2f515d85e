// Finding the font file of a face name among the installed TrueType fonts.
#pragma once

#include <string>
#include <vector>

namespace t42 {

struct FontLocation {
    std::string path;
    int faceIndex = 0;
};

// The file and face of the first listed font one of whose face names
// equals `faceName`, without regard to case. False when none does, or when
// the list cannot be read that far.
bool FindFontFile(const char* faceName, FontLocation& location);

// The file and face of the first of `faceNames` that a listed font has, in
// the order given: the first listed font with that name. False when none
// does, or when the list cannot be read far enough to tell.
bool FindFontFile(const std::vector<std::string>& faceNames, FontLocation& location);

// The face names a request looks for, in order: for a bold request (weight
// 600 or more) and an italic one, "<face> Bold Italic", "<face> Bold
// Oblique", "<face> Bold", "<face> Italic", "<face> Oblique"; for bold
// only "<face> Bold"; for italic only "<face> Italic", "<face> Oblique";
// then `faceName` itself. The styled names may pass 31 bytes.
std::vector<std::string> RequestedFaceNames(const char* faceName, bool bold, bool italic);

// Whether `faceName` is one of the " & "-joined face names of a listed
// value's display name (trailing white space ignored); `faceIndex` is its
// position.
bool MatchFaceName(const char* faceName, const char* displayName, int& faceIndex);

} // namespace t42
