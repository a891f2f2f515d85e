// The printer's CFF path from arbitrary font bytes: the bytes become a font
// file whose face 0 is opened as a CFF face; a subset of its first, middle
// and last glyphs is made by HarfBuzz and written as a PostScript resource,
// which must be 7-bit text, as must the whole font's FontSet resource of a
// small font.
#include "FuzzSupport.h"

#include "print/CffFont.h"

#include <cstdint>
#include <unistd.h>

namespace {

std::string fontFile;

void CheckSevenBit(const t42::OutputBuffer& out) {
    for (std::size_t i = 0; i < out.Size(); ++i)
        FUZZ_CHECK(static_cast<unsigned char>(out.Data()[i]) < 0x80, "a byte past ASCII at " << i);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fontFile = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
               ("/quelin-fuzz-cff-" + std::to_string(getpid()));
    std::atexit([] { unlink(fontFile.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(fontFile.c_str(), "wb");
    FUZZ_CHECK(file && std::fwrite(data, 1, size, file) == size && std::fclose(file) == 0,
               "cannot write " << fontFile);
    std::string error;
    std::unique_ptr<print::CffFont> font = print::CffFont::Open({fontFile, 0}, error);
    if (!font)
        return 0;
    auto count = static_cast<std::uint32_t>(font->Face()->num_glyphs);
    print::CffSubset subset;
    if (font->Subset({count - 1, count / 2, 1}, subset, error)) {
        FUZZ_CHECK(subset.cids.size() == subset.originals.size() && subset.originals[0] == 0,
                   "a subset without glyph 0 or a CID for each glyph");
        t42::OutputBuffer resource;
        print::WriteCffResource(subset, resource);
        CheckSevenBit(resource);
    }
    if (count <= 1000) {
        t42::OutputBuffer whole;
        std::string name;
        if (print::WriteCffFontSet(*font, whole, name, error))
            CheckSevenBit(whole);
    }
    return 0;
}
