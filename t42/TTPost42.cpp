#include "TTPost42.h"
#include "PsSyntax.h"

#include <cstring>
#include <vector>

namespace t42 {

TTPost42::TTPost42() : facts(), library(nullptr), codePage(0) {
    if (FT_Init_FreeType(&library) != 0)
        library = nullptr;
    codePage = platform::UserCodePage();
}

TTPost42::~TTPost42() {
    Reset();
    if (library) {
        FT_Done_FreeType(library);
        library = nullptr;
    }
}

void TTPost42::Reset() {
    if (facts.face)
        FT_Done_Face(facts.face);
    facts = FontFacts{};
    names.Reset();
    for (std::string& item : glyphItems)
        item.clear();
    output.Truncate();
}

int TTPost42::Convert(const LOGFONTA* request) {
    if (!library)
        return kEngineFailed;
    if (!request)
        return kBadRequest;
    Reset();
    // A face name is read only within its field; one without a zero byte
    // there names no font.
    char faceName[sizeof request->lfFaceName + 1] = {};
    std::memcpy(faceName, request->lfFaceName, sizeof request->lfFaceName);
    if (std::strlen(faceName) == sizeof request->lfFaceName)
        return kNoSuchFont;
    std::string path;
    int faceIndex = 0;
    if (!FindFontFile(faceName, path, faceIndex))
        return kNoSuchFont;
    codePage = CodePageFromCharSet(static_cast<std::uint8_t>(request->lfCharSet), platform::UserCodePage());
    if (!LoadFontFacts(path.c_str(), faceIndex))
        return kBadFont;
    output.Reserve(EstimatedProgramSize());
    using Writer = int (TTPost42::*)();
    for (Writer writer : {&TTPost42::WriteHeader, &TTPost42::WriteFontDictionary,
                          &TTPost42::WriteEncoding, &TTPost42::WriteCharStrings,
                          &TTPost42::WriteSfnts}) {
        int result = (this->*writer)();
        if (result != 0)
            return result;
    }
    Append("FontName currentdict end definefont pop\n", -1);
    PrepareGlyphItems();
    return kOk;
}

platform::GlobalHandle TTPost42::GetFontData() const {
    platform::GlobalHandle block = platform::GlobalAllocZeroed(output.Size());
    if (!block)
        return nullptr;
    void* bytes = platform::GlobalLockBlock(block);
    if (output.Size() != 0)
        std::memcpy(bytes, output.Data(), output.Size());
    platform::GlobalUnlockBlock(block);
    return block;
}

int TTPost42::GetPSFontName(char* name, int nameSize) const {
    if (!name || nameSize <= 0)
        return kBufferTooSmall;
    int length = static_cast<int>(std::strlen(facts.fontName));
    int result = kOk;
    if (length >= nameSize) {
        length = nameSize - 1;
        result = kBufferTooSmall;
    }
    platform::MbsnbCopy(name, facts.fontName, static_cast<std::size_t>(length));
    name[length] = 0;
    return result;
}

void TTPost42::Append(const char* text, int length) {
    output.Append(text, length == -1 ? std::strlen(text) : static_cast<std::size_t>(length));
}

void TTPost42::AppendPSString(const char* text) {
    // Matched parentheses go out as they are; one unmatched one and every
    // parenthesis gets a backslash. A backslash is always doubled, since a
    // lone one would escape the next byte or the closing parenthesis.
    unsigned flags = HasUnmatchedParenthesis(text) ? kEscapeParentheses : 0u;
    std::size_t length = std::strlen(text);
    std::vector<char> escaped(EscapedLength(text, length, flags));
    WriteEscaped(escaped.data(), text, length, flags);
    output.Append(escaped.data(), escaped.size());
}

} // namespace t42
