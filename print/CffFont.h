// A face with CFF outlines (an OpenType font whose glyphs are in its 'CFF '
// table, alone or in a collection): the file's bytes, read once, with the
// FreeType and HarfBuzz faces opened on them. Its subsets are made by
// HarfBuzz's subsetter and written as they are: the bare CFF data in a PDF
// (FontFile3), and in PostScript a FontSet resource (the CFF data after
// StartData) in an ASCII85 stream that the interpreter decodes and runs.
#pragma once

#include "t42/FontFile.h"
#include "t42/FontLookup.h"
#include "t42/OutputBuffer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace print {

// Whether the face has a table `tag`, with some bytes in it.
bool HasTable(hb_face_t* face, hb_tag_t tag);

// The glyphs of one subset, numbered as the subset's CFF data numbers them
// (ascending by their glyph in the whole font; glyph 0 first).
struct CffSubset {
    std::vector<std::uint8_t> cff; // the subset's 'CFF ' table
    std::string fontName;          // the CFF font's name: its resource's name
    bool cidKeyed = false;
    std::string registry = "Adobe", ordering = "Identity";
    int supplement = 0;
    std::vector<std::uint32_t> originals; // per subset glyph: its glyph in the font
    std::vector<std::uint32_t> cids;      // per subset glyph: its CID (name-keyed: the glyph)
    std::vector<std::string> names;       // per subset glyph, name-keyed only: its CharStrings name

    // The subset glyph of `original`; 0 when it is not carried.
    std::size_t Written(std::uint32_t original) const;
};

class CffFont {
public:
    // Opens face `location.faceIndex` of the file; null with a clause in
    // `error` when the face cannot be read or its outlines are not CFF.
    static std::unique_ptr<CffFont> Open(const t42::FontLocation& location, std::string& error);
    ~CffFont();
    CffFont(const CffFont&) = delete;
    CffFont& operator=(const CffFont&) = delete;

    // Whether the face at `face` has a 'CFF ' table.
    static bool HasCffOutlines(hb_face_t* face);

    const t42::FontFile& File() const { return *file_; }
    FT_Face Face() const { return face_; }
    hb_face_t* HbFace() const { return hbFace_; }
    // The name in the CFF data (not the name table's): the name of the
    // font its resources define.
    const std::string& PostScriptName() const { return name_; }

    // The subset that draws `glyphs` (glyph 0 is always carried). False with
    // a clause in `error` when HarfBuzz cannot make it or its data is not
    // what it should be.
    bool Subset(const std::vector<std::uint32_t>& glyphs, CffSubset& subset, std::string& error) const;

private:
    CffFont() = default;

    std::shared_ptr<const t42::FontFile> file_;
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    hb_blob_t* blob_ = nullptr;
    hb_face_t* hbFace_ = nullptr;
    std::string name_;
};

// A token that puts `name` on the stack as a name, in 7-bit text: "/name",
// or "<hex> cvn" for a name with other bytes than regular ASCII characters.
std::string NameToken(const std::string& name);

// The PostScript resource that defines the subset's font (name-keyed: a
// font; CID-keyed: a CIDFont) under its fontName, 7-bit text throughout.
void WriteCffResource(const CffSubset& subset, t42::OutputBuffer& out);

// A FontSet resource file of the whole font (its CFF data as HarfBuzz
// rebuilds it), to be sent to a printer: `name` is set to its font's name.
bool WriteCffFontSet(const CffFont& font, t42::OutputBuffer& out, std::string& name, std::string& error);

} // namespace print
