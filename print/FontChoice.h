// Fonts by the names people use: every name `quelin list` prints (with or
// without " (TrueType)", the whole " & "-joined name of a collection or any
// one of its faces, of any length), and for `print` whatever fontconfig
// takes ("monospace", "DejaVu Sans:bold"), with the fonts that fontconfig
// finds for the characters the chosen font lacks. Names may also be
// written as Pango describes fonts ("Monospace 9", "DejaVu Sans Bold 11").
// Faces with TrueType or CFF outlines are chosen; those without outlines
// are passed over.
#pragma once

#include "t42/FontLookup.h"

#include <cstdint>
#include <string>
#include <vector>

struct _FcFontSet;

namespace print {

// Whether fontconfig can read `name` as a pattern ("DejaVu Sans:bold").
bool IsFontPattern(const std::string& name);

// The first listed font that `name` names, as `quelin list` prints it.
bool FindListedFace(const std::string& name, t42::FontLocation& location);

// A face with CFF outlines whose full, PostScript or family name is
// `name`, among those fontconfig lists (a family's regular face first).
bool FindCffFace(const std::string& name, t42::FontLocation& location);

// Adds the faces of the font file at `path` to those fontconfig lists for
// this process when one of them has CFF outlines; false when none has.
bool AddCffFontFile(const std::string& path);

// A face of the same family and width as `regular` in the weight and slant
// asked for: fontconfig's closest TrueType face of that family. `bold` and
// `italic` then say which of the two it has. False when the family has
// none of them, or no other face.
bool FindStyledFace(const t42::FontLocation& regular, bool& bold, bool& italic, t42::FontLocation& location);

class FontChoice {
public:
    FontChoice() = default;
    ~FontChoice();
    FontChoice(const FontChoice&) = delete;
    FontChoice& operator=(const FontChoice&) = delete;

    // The main font: a listed name, else fontconfig's best outline match
    // for `name` (a fontconfig pattern or a Pango description, whose
    // trailing number goes to `size`, 0 when it has none), with `weight` and
    // `italic` when they are not the defaults and the name does not say.
    // A monospaced family is matched by a monospaced face. Keeps
    // fontconfig's list of fonts in the order of that match for Fallback.
    // False with a sentence in `error`; a `warning` when fontconfig chose a
    // font of another family.
    bool ChooseMain(const std::string& name, int weight, bool italic, t42::FontLocation& location, double& size,
                    std::string& error, std::string& warning);

    // The next font at or after `cursor` in that order that has a glyph
    // for `codePoint`; `cursor` then points past it. False when none has.
    bool Fallback(std::uint32_t codePoint, std::size_t& cursor, t42::FontLocation& location) const;

private:
    ::_FcFontSet* sorted_ = nullptr;
};

} // namespace print
