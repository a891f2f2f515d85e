// One face of a font file, loaded for conversion: the file's bytes (shared
// with other converters of the same file), the FreeType face opened from
// them, the facts gathered from it, its glyph names and the code page that
// host text is read in. Nothing changes after loading but the glyph namer's
// cache.
#pragma once

#include "FontFacts.h"
#include "FontFile.h"
#include "GlyphNames.h"
#include "Status.h"

#include "../platform/Platform.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <memory>
#include <string>

namespace t42 {

class LoadedFont {
public:
    // Loads face `faceIndex` of the font file at `path`, for text in
    // `codePage`. A FreeType instance of its own keeps the face independent
    // of every other.
    static Status Load(const std::string& path, int faceIndex, std::uint32_t codePage,
                       std::unique_ptr<LoadedFont>& font);

    ~LoadedFont();
    LoadedFont(const LoadedFont&) = delete;
    LoadedFont& operator=(const LoadedFont&) = delete;

    FT_Face Face() const { return face_; }
    const FontFacts& Facts() const { return facts_; }
    std::uint32_t CodePage() const { return codePage_; }
    const std::string& Path() const { return path_; }
    int FaceIndex() const { return faceIndex_; }

    // The bytes of the font file the face was opened from.
    const FontFile& File() const { return *file_; }

    // The bytes of one of the nine tables in the font file (checked at load
    // to lie within it); null when the font lacks the table.
    const std::uint8_t* TableBytes(int table) const;

    // The lock that whatever reads the face or the glyph namer after loading
    // holds: FreeType faces are not safe to use from two threads at once.
    platform::Mutex& FaceLock() const { return faceLock_; }

    // The name glyph `index` has in CharStrings and in the text output.
    const char* GlyphName(unsigned index, char (&buffer)[GlyphNamer::kBufferSize]) const {
        return names_.NameOf(face_, index, buffer);
    }

private:
    LoadedFont() = default;

    std::shared_ptr<const FontFile> file_;
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    FontFacts facts_{};
    mutable GlyphNamer names_; // maps code points to glyphs when first needed
    mutable platform::Mutex faceLock_;
    std::uint32_t codePage_ = 0;
    std::string path_;
    int faceIndex_ = 0;
};

} // namespace t42
