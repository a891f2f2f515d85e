// Control over the installed-fonts list, for tests, fuzzers and the command
// line: replace the list with crafted values, or put the faces of extra font
// files in front of the installed ones.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct FontValue {
    std::string name; // e.g. "Alpha & Beta (TrueType)"
    std::string data; // a file name relative to the fonts folder, or a full path
};

// From now on FontValues::Open() sees exactly `values`, with relative data
// taken against `folder` (which should end in a path separator).
void OverrideFontValues(std::vector<FontValue> values, std::string folder);

// Back to the installed fonts.
void ClearFontValuesOverride();

// Puts one value for the font file at `path` (its faces' English full names
// joined with " & ", then " (TrueType)") in front of the list, so it wins a
// name clash. False, with a reason in `error`, when the file holds no face
// with TrueType outlines.
bool AddFontFile(const std::string& path, std::string& error);

// Removes the values that AddFontFile added.
void ClearAddedFontFiles();

// The list that FontValues::Open() would show now, read whole.
std::vector<FontValue> CurrentFontValues();

// The value a font file is listed under: its faces with TrueType outlines
// (named instances of variable fonts left out) in face-index order. False
// when there is none. Implemented by each platform side.
bool DescribeFontFile(const std::string& path, FontValue& value);

} // namespace platform
