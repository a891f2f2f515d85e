#include "LoadedFont.h"

namespace t42 {

Status LoadedFont::Load(const std::string& path, int faceIndex, std::uint32_t codePage,
                        std::unique_ptr<LoadedFont>& font) {
    std::unique_ptr<LoadedFont> loaded(new LoadedFont);
    loaded->path_ = path;
    loaded->faceIndex_ = faceIndex;
    loaded->codePage_ = codePage;
    if (FT_Error error = FT_Init_FreeType(&loaded->library_)) {
        loaded->library_ = nullptr;
        return Status::Refuse(kEngineFailed, Check::engineFailed, 0, error);
    }
    Status status = FontFile::Open(path, loaded->file_);
    if (!status.Ok())
        return status;
    const FontFile& file = *loaded->file_;
    if (FT_Error error = FT_New_Memory_Face(loaded->library_, file.Data(), static_cast<FT_Long>(file.Size()),
                                            faceIndex, &loaded->face_)) {
        loaded->face_ = nullptr;
        return Status::Refuse(kBadFont, Check::faceUnopenable, 0, error);
    }
    status = LoadFontFacts(loaded->face_, file.Data(), file.Size(), loaded->facts_);
    if (!status.Ok())
        return status;
    SelectCharmap(loaded->face_, codePage);
    font = std::move(loaded);
    return Status{};
}

LoadedFont::~LoadedFont() {
    if (face_)
        FT_Done_Face(face_);
    if (library_)
        FT_Done_FreeType(library_);
}

const std::uint8_t* LoadedFont::TableBytes(int table) const {
    if (!facts_.tables.present[table])
        return nullptr;
    return file_->Data() + facts_.tables.entries[table].offset;
}

} // namespace t42
