// The whole conversion from arbitrary font bytes. The bytes become the file
// of the one listed face "Fuzz"; it is converted, its program handed out and
// checked token by token, its name read into buffers of every awkward size,
// drawing code asked for, and the font deleted.
#include "FuzzSupport.h"

#include "platform/Platform.h"

#include <cstdint>

namespace {

std::string fontFile;

constexpr std::uint8_t kCharSets[] = {ANSI_CHARSET,   DEFAULT_CHARSET, SYMBOL_CHARSET,   MAC_CHARSET,
                                      SHIFTJIS_CHARSET, RUSSIAN_CHARSET, EASTEUROPE_CHARSET, 3};

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

constexpr std::uint32_t kTags[9] = {0x63767420, 0x6670676D, 0x676C7966, 0x68656164, 0x68686561,
                                    0x686D7478, 0x6C6F6361, 0x6D617870, 0x70726570};

// Every one of the nine tables that face 0 of the input lists (its first
// entry for a tag) comes out with the same checksum, length and bytes, head
// but for checkSumAdjustment; every other one is empty.
void CheckTablesCopied(const std::uint8_t* data, std::size_t size, const std::string& sfnt) {
    std::uint64_t start = 0;
    FUZZ_CHECK(size >= 12, "a font of " << size << " bytes was converted");
    if (U32(data) == 0x74746366) { // 'ttcf'
        FUZZ_CHECK(size >= 16, "a collection without faces was converted");
        start = U32(data + 12);
    }
    FUZZ_CHECK(start + 12 <= size, "offset table past the end");
    unsigned numTables = static_cast<unsigned>(data[start + 4] << 8 | data[start + 5]);
    FUZZ_CHECK(start + 12 + 16ull * numTables <= size, "directory past the end");
    bool seen[9] = {};
    for (unsigned i = 0; i < numTables; ++i) {
        const std::uint8_t* entry = data + start + 12 + 16 * i;
        for (int t = 0; t < 9; ++t) {
            if (U32(entry) != kTags[t] || seen[t])
                continue;
            seen[t] = true;
            std::uint32_t checksum = U32(entry + 4), offset = U32(entry + 8), length = U32(entry + 12);
            const std::uint8_t* out = reinterpret_cast<const std::uint8_t*>(sfnt.data()) + 12 + 16 * t;
            FUZZ_CHECK(U32(out + 4) == checksum && U32(out + 12) == length,
                       "table " << t << " changed its checksum or length");
            FUZZ_CHECK(static_cast<std::uint64_t>(offset) + length <= size, "table " << t << " past the end");
            std::string original(reinterpret_cast<const char*>(data) + offset, length);
            std::string copied = sfnt.substr(U32(out + 8), length);
            if (t == 3 && length >= 12) { // head: checkSumAdjustment is the converter's own
                original.replace(8, 4, 4, '\0');
                copied.replace(8, 4, 4, '\0');
            }
            FUZZ_CHECK(copied == original, "table " << t << " bytes changed");
        }
    }
    for (int t = 0; t < 9; ++t)
        if (!seen[t])
            FUZZ_CHECK(U32(reinterpret_cast<const std::uint8_t*>(sfnt.data()) + 12 + 16 * t + 12) == 0,
                       "table " << t << " appeared from nowhere");
}

// T42GetPSFontName into `size` bytes: the whole name when it fits, else
// -1004 and what fitted; nothing written for no buffer.
void CheckName(int handle, const std::string& fontName, int size, bool nullOut) {
    std::size_t usable = nullOut || size < 0 ? 0 : static_cast<std::size_t>(size);
    fuzz::GuardedBuffer buffer(usable);
    int result = T42GetPSFontName(handle, nullOut ? nullptr : buffer.Data(), size);
    buffer.CheckGuards();
    if (usable == 0) {
        FUZZ_CHECK(result == T42_ERROR_BUFFER_TOO_SMALL, "T42GetPSFontName into nothing gave " << result);
        return;
    }
    FUZZ_CHECK(std::memchr(buffer.Data(), 0, usable), "font name not zero-terminated");
    std::string name(buffer.Data());
    if (fontName.size() < usable) {
        FUZZ_CHECK(result == 0 && name == fontName, "font name \"" << fuzz::Visible(name) << "\", program says \""
                                                                   << fuzz::Visible(fontName) << "\"");
    } else {
        FUZZ_CHECK(result == T42_ERROR_BUFFER_TOO_SMALL && fontName.compare(0, name.size(), name) == 0 &&
                       name.size() + 1 >= usable - 1,
                   "cut font name \"" << fuzz::Visible(name) << "\" with result " << result);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fontFile = fuzz::MakeTempFile("quelin-fuzz-convert");
    platform::OverrideFontValues({{"Fuzz (TrueType)", fontFile}}, "/");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::WriteWholeFile(fontFile, data, size);
    LOGFONTA request{};
    std::strcpy(request.lfFaceName, "Fuzz");
    std::uint8_t last = size ? data[size - 1] : 0;
    request.lfCharSet = kCharSets[last % sizeof kCharSets];
    int handle = T42MakeTrueTypeFont(&request);
    if (handle < 0) {
        FUZZ_CHECK(handle == T42_ERROR_BAD_FONT, "conversion gave " << handle);
        return 0;
    }
    FUZZ_CHECK(handle >= 1000, "handle " << handle);
    FUZZ_CHECK(T42MakeTrueTypeFont(&request) == handle, "an equal request made a second conversion");

    HGLOBAL block = T42GetFontData(handle);
    FUZZ_CHECK(block, "no font data");
    std::string program(static_cast<const char*>(T42GlobalLock(block)), T42GlobalSize(block));
    T42GlobalUnlock(block);
    FUZZ_CHECK(T42GlobalFree(block) == nullptr, "the block was not freed");

    pscheck::ProgramFacts facts;
    std::string error;
    FUZZ_CHECK(pscheck::CheckFontProgram(program, facts, error), error);
    CheckTablesCopied(data, size, facts.sfnt);

    int nameLength = static_cast<int>(facts.fontName.size());
    for (int nameSize : {256, nameLength + 1, nameLength, 1, 0, -1, static_cast<int>(last)})
        CheckName(handle, facts.fontName, nameSize, false);
    CheckName(handle, facts.fontName, 16, true);

    // Every byte from 1 to 255 in one text, then a piece of the input.
    std::string text;
    for (int byte = 1; byte < 256; ++byte)
        text += static_cast<char>(byte);
    for (std::size_t i = 0; i < size && i < 48; ++i)
        if (data[i])
            text += static_cast<char>(data[i]);
    std::uint32_t codePage = fuzz::CodePageOfCharSet(request.lfCharSet);
    std::string full = fuzz::CheckFullTextOut(handle, text, facts.glyphs, codePage);
    fuzz::CheckCutTextOut(handle, text, full, static_cast<int>(full.size() * last / 255), false, codePage);

    FUZZ_CHECK(T42DeleteTrueTypeFont(handle) == 0, "delete failed");
    FUZZ_CHECK(T42DeleteTrueTypeFont(handle) == T42_ERROR_BAD_HANDLE, "deleted twice");
    FUZZ_CHECK(T42GetFontData(handle) == nullptr, "data of a deleted font");
    return 0;
}
