#include "TTPost42.h"
#include "FontProgram.h"
#include "TextOut.h"

#include <cstring>
#include <mutex>

namespace t42 {

void TTPost42::Reset() {
    font_.reset();
    program_.Truncate();
    items_.Clear();
}

Status TTPost42::Locate(const LOGFONTA* request, FontLocation& location, std::uint32_t& codePage) {
    if (!request)
        return Status::Refuse(kBadRequest, Check::noRequest);
    // A face name is read only within its field; one without a zero byte
    // there names no font.
    char faceName[sizeof request->lfFaceName + 1] = {};
    std::memcpy(faceName, request->lfFaceName, sizeof request->lfFaceName);
    if (std::strlen(faceName) == sizeof request->lfFaceName)
        return Status::Refuse(kNoSuchFont, Check::unterminatedName);
    // A bold or italic request takes the styled face where one is listed.
    bool bold = request->lfWeight >= 600;
    if (!FindFontFile(RequestedFaceNames(faceName, bold, request->lfItalic != 0), location))
        return Status::Refuse(kNoSuchFont, Check::notListed);
    codePage = CodePageFromCharSet(static_cast<std::uint8_t>(request->lfCharSet), platform::UserCodePage());
    return Status{};
}

Status TTPost42::Convert(const LOGFONTA* request) {
    Reset();
    FontLocation location;
    std::uint32_t codePage = 0;
    Status status = Locate(request, location, codePage);
    return status.Ok() ? ConvertFace(location, codePage) : status;
}

Status TTPost42::Load(const LOGFONTA* request) {
    Reset();
    FontLocation location;
    std::uint32_t codePage = 0;
    Status status = Locate(request, location, codePage);
    return status.Ok() ? LoadFace(location, codePage) : status;
}

Status TTPost42::ConvertFace(const FontLocation& location, std::uint32_t codePage) {
    Reset();
    Status status = LoadedFont::Load(location.path, location.faceIndex, codePage, font_);
    if (!status.Ok())
        return status;
    // The program first: its memory then comes before the items' small
    // allocations, and the heap it leaves is reused by the next conversion.
    WriteWholeFontProgram(*font_, program_);
    items_.Prepare(*font_);
    return status;
}

Status TTPost42::LoadFace(const FontLocation& location, std::uint32_t codePage) {
    Reset();
    Status status = LoadedFont::Load(location.path, location.faceIndex, codePage, font_);
    if (status.Ok())
        items_.Prepare(*font_);
    return status;
}

void TTPost42::WriteProgram(OutputBuffer& out) const {
    if (!font_)
        return;
    // The glyph names come from the face and the glyph namer's cache.
    std::lock_guard<platform::Mutex> hold(font_->FaceLock());
    WriteWholeFontProgram(*font_, out);
    out.Flush();
}

platform::GlobalHandle CopyToGlobalBlock(const OutputBuffer& program) {
    platform::GlobalHandle block = platform::GlobalAllocZeroed(program.Size());
    if (!block)
        return nullptr;
    void* bytes = platform::GlobalLockBlock(block);
    if (program.Size() != 0)
        std::memcpy(bytes, program.Data(), program.Size());
    platform::GlobalUnlockBlock(block);
    return block;
}

platform::GlobalHandle TTPost42::GetFontData() const { return CopyToGlobalBlock(program_); }

#ifndef _WIN32
Status TTPost42::PlanSubset(const std::vector<DrawnGlyph>& glyphs, SubsetPlan& plan) const {
    if (!font_)
        return Status::Refuse(kBadHandle, Check::internalError);
    // Choosing the glyphs reads the face and the glyph namer's cache.
    std::lock_guard<platform::Mutex> hold(font_->FaceLock());
    return SubsetPlan::Make(*font_, glyphs, plan);
}
#endif

int TTPost42::GetPSFontName(char* name, int nameSize) const {
    if (!name || nameSize <= 0)
        return kBufferTooSmall;
    const char* fontName = font_->Facts().fontName;
    int length = static_cast<int>(std::strlen(fontName));
    int result = kOk;
    if (length >= nameSize) {
        length = nameSize - 1;
        result = kBufferTooSmall;
    }
    platform::MbsnbCopy(name, fontName, static_cast<std::size_t>(length));
    name[length] = 0;
    return result;
}

int TTPost42::TextOut(const char* text, char* out, int outSize) const {
    return t42::TextOut(items_, text, out, outSize);
}

int TTPost42::TextOutUtf8(const char* text, char* out, int outSize) const {
    return t42::TextOutUtf8(items_, text, out, outSize);
}

} // namespace t42
