// The whole conversion from arbitrary font bytes. The bytes become the file
// of the one listed face "Fuzz"; it is converted, its program handed out and
// checked token by token and against the input's tables, drawing code asked
// for whole and cut, and the font deleted.
#include "FuzzSupport.h"

#include "platform/Platform.h"

#include <cstdint>
#include <unistd.h>

namespace {

std::string fontFile;

std::uint32_t U32(const std::string& s, std::size_t at) {
    FUZZ_CHECK(at + 4 <= s.size(), "read past the end (" << s.size() << " bytes) of an accepted font");
    const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// Each of the nine tables that face 0 of `font` lists (the first entry of a
// tag) comes out with its checksum, length and bytes, head but for
// checkSumAdjustment; each other one comes out empty.
void CheckTablesCopied(const std::string& font, const std::string& sfnt) {
    static const std::string kTags = "cvt fpgmglyfheadhheahmtxlocamaxpprep";
    std::size_t start = font.compare(0, 4, "ttcf") == 0 ? U32(font, 12) : 0;
    std::size_t end = start + 12 + 16 * (U32(font, start + 4) >> 16);
    bool seen[9] = {};
    for (std::size_t entry = start + 12; entry < end; entry += 16) {
        std::size_t offset = U32(font, entry + 8), length = U32(font, entry + 12);
        std::size_t tag = kTags.find(font.substr(entry, 4)), t = tag / 4, out = 12 + 16 * t;
        if (tag % 4 != 0 || seen[t]) // npos % 4 is 3
            continue;
        seen[t] = true;
        FUZZ_CHECK(U32(sfnt, out + 4) == U32(font, entry + 4) && U32(sfnt, out + 12) == length,
                   "table " << t << " changed its checksum or length");
        FUZZ_CHECK(offset + length <= font.size(), "table " << t << " past the end was accepted");
        std::string original = font.substr(offset, length), copied = sfnt.substr(U32(sfnt, out + 8), length);
        if (t == 3 && length >= 12) // head: checkSumAdjustment is the converter's own
            original.replace(8, 4, copied, 8, 4);
        FUZZ_CHECK(copied == original, "table " << t << " bytes changed");
    }
    for (int t = 0; t < 9; ++t)
        FUZZ_CHECK(seen[t] || U32(sfnt, 24 + 16 * t) == 0, "table " << t << " appeared from nowhere");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fontFile = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + ("/quelin-fuzz-" + std::to_string(getpid()));
    platform::OverrideFontValues({{"Fuzz (TrueType)", fontFile}}, "/");
    std::atexit([] { unlink(fontFile.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string font(reinterpret_cast<const char*>(data), size);
    std::FILE* file = std::fopen(fontFile.c_str(), "wb");
    FUZZ_CHECK(file && std::fwrite(font.data(), 1, size, file) == size && std::fclose(file) == 0, "cannot write " << fontFile);
    LOGFONTA request{};
    std::strcpy(request.lfFaceName, "Fuzz");
    int last = size ? data[size - 1] : 0; // the character set, and where to cut the drawing code
    request.lfCharSet = static_cast<std::uint8_t>(last);
    int handle = T42MakeTrueTypeFont(&request);
    FUZZ_CHECK(handle >= 1000 || handle == T42_ERROR_BAD_FONT, "conversion gave " << handle);
    if (handle < 0)
        return 0;

    pscheck::ProgramFacts facts = fuzz::CheckProgram(handle);
    CheckTablesCopied(font, facts.sfnt);

    // Every byte from 1 to 255 in one text, then a piece of the input.
    std::string text;
    for (int byte = 1; byte < 256; ++byte)
        text += static_cast<char>(byte);
    for (char byte : font.substr(0, 48))
        if (byte)
            text += byte;
    std::uint32_t codePage = fuzz::CodePageOfCharSet(static_cast<std::uint8_t>(last));
    std::string full = fuzz::CheckFullTextOut(handle, text, facts.glyphs, codePage);
    fuzz::CheckCutTextOut(handle, text, full, static_cast<int>(full.size()) * last / 255, false, codePage);
    FUZZ_CHECK(T42DeleteTrueTypeFont(handle) == 0, "delete failed");
    return 0;
}
