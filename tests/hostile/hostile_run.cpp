// Converts each hostile font through the exports and writes what a checker
// needs: the result code, the program, the PostScript name and the drawing
// code of each probe text. Checks on the way that the program and the code
// have the converter's shape (fuzz/PsCheck), that T42TextOut keeps to every
// buffer size and that T42GetPSFontName agrees with the program. Half the
// fonts stay converted, for the table to release at exit.
//
// Usage: hostile_run WORKDIR PROBES FONT...
// PROBES holds one probe text per line, in hex. Output, one line each:
//   FONT file / RESULT code / NAME name / PROBE n file / CHECK message
#include "../../fuzz/FuzzSupport.h"

#include "platform/Platform.h"

#include <fstream>
#include <iostream>

namespace {

// Every size up to 300 bytes, then a spread up to one past the whole code.
void CheckEverySize(int handle, const std::string& text, const std::string& full) {
    int whole = static_cast<int>(full.size());
    for (int size = -2; size <= whole + 1 && size <= 300; ++size)
        fuzz::CheckCutTextOut(handle, text, full, size, false);
    for (int size : {whole / 3, whole / 2, whole - 2, whole - 1, whole, whole + 1})
        if (size > 300)
            fuzz::CheckCutTextOut(handle, text, full, size, false);
    fuzz::CheckCutTextOut(handle, text, full, 64, true);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: hostile_run WORKDIR PROBES FONT...\n";
        return 2;
    }
    std::string work = argv[1];
    std::vector<std::string> probes;
    std::ifstream in(argv[2]);
    for (std::string hex; std::getline(in, hex);) {
        probes.emplace_back();
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            probes.back() += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    int failures = 0;
    for (int i = 3; i < argc; ++i) {
        std::string path = argv[i];
        std::string base = path.substr(path.rfind('/') + 1);
        std::cout << "FONT " << base << std::endl;
        // A face name of its own: fonts left converted answer equal requests.
        std::string face = "Hostile " + std::to_string(i);
        platform::OverrideFontValues({{face + " (TrueType)", path}}, "/");
        LOGFONTA request{};
        std::strcpy(request.lfFaceName, face.c_str());
        request.lfCharSet = ANSI_CHARSET;
        int handle = T42MakeTrueTypeFont(&request);
        std::cout << "RESULT " << handle << std::endl;
        if (handle < 0)
            continue;

        HGLOBAL block = T42GetFontData(handle);
        FUZZ_CHECK(block, "no font data for " << base);
        std::string program(static_cast<const char*>(T42GlobalLock(block)), T42GlobalSize(block));
        T42GlobalUnlock(block);
        T42GlobalFree(block);
        std::ofstream(work + "/" + base + ".t42", std::ios::binary) << program;
        pscheck::ProgramFacts facts;
        std::string error;
        if (!pscheck::CheckFontProgram(program, facts, error)) {
            std::cout << "CHECK program: " << error << std::endl;
            ++failures;
            continue;
        }

        char name[256];
        FUZZ_CHECK(T42GetPSFontName(handle, name, sizeof name) == 0, "font name of " << base);
        FUZZ_CHECK(name == facts.fontName, "T42GetPSFontName says \"" << fuzz::Visible(name) << "\", the program \""
                                                                       << fuzz::Visible(facts.fontName) << "\"");
        std::cout << "NAME " << name << std::endl; // a plain name: no blanks, no line ends
        // A subset of the last, middle and first glyphs, for the sanitizers.
        unsigned last = 0;
        for (const auto& glyph : facts.glyphs)
            last = std::max(last, static_cast<unsigned>(glyph.second));
        unsigned glyphs[] = {last, last / 2, 1};
        if (HGLOBAL subset = T42GetSubsetFontData(handle, glyphs, 3))
            T42GlobalFree(subset);

        for (std::size_t p = 0; p < probes.size(); ++p) {
            std::string full = fuzz::CheckFullTextOut(handle, probes[p], facts.glyphs);
            CheckEverySize(handle, probes[p], full);
            std::string file = base + ".probe" + std::to_string(p) + ".ps";
            std::ofstream(work + "/" + file, std::ios::binary) << full;
            std::cout << "PROBE " << p << " " << file << std::endl;
        }
        if (i % 2 == 0)
            FUZZ_CHECK(T42DeleteTrueTypeFont(handle) == 0, "delete " << base);
    }
    platform::ClearFontValuesOverride();
    std::cout << "DONE " << failures << std::endl;
    return failures ? 1 : 0;
}
