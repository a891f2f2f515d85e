#include "Options.h"

#include "print/PageModel.h"

#include <cstdlib>
#include <cstring>

namespace cli {

const char* const kUsage =
    "Usage: quelin [OPTIONS] COMMAND [ARGS]\n"
    "\n"
    "Turns installed TrueType fonts into PostScript Type 42 fonts and prints\n"
    "text in them.\n"
    "\n"
    "Commands:\n"
    "  list                    the installed TrueType fonts the lookup sees: name, tab, file\n"
    "  name FACE               the PostScript name of the font FACE\n"
    "  info FACE               what the library knows of the font FACE\n"
    "  convert FACE            the Type 42 font program (to standard output, or -o FILE)\n"
    "  text FACE TEXT...       the PostScript code that draws TEXT, one line per argument\n"
    "  page FACE [TEXT...]     a printable PostScript document (or PDF with -o NAME.pdf);\n"
    "                          one line per argument, or per line of standard input\n"
    "  print [FILE...]         UTF-8 text files (none or -: standard input) as PostScript,\n"
    "                          or PDF with -o NAME.pdf: every character from a font that\n"
    "                          has it, shaped and in reading order, only the glyphs used\n"
    "\n"
    "FACE is a name as list prints it, with or without \" (TrueType)\", or any one\n"
    "face of a \" & \"-joined collection.\n"
    "\n"
    "Options:\n"
    "  --charset N       lfCharSet of the request, decimal (0 ANSI: code page 1252; 204 Russian: 1251; ...)\n"
    "  --weight N        lfWeight of the request (default 400)\n"
    "  --italic          set lfItalic in the request\n"
    "  --font-file PATH  add the faces of PATH in front of the installed fonts (repeatable)\n"
    "  --raw             (text, page) pass the text bytes as they are, unconverted\n"
    "  -o, --output FILE write to FILE instead of standard output; FILE is replaced only\n"
    "                    once all of it was written\n"
    "  --size PT         (page, print) font size in points (default 12; print: 10)\n"
    "  --paper NAME      (page, print) paper size: a4, a3, a5, letter, legal (default a4)\n"
    "  --font NAME       (print) the main font: a listed name or a fontconfig pattern\n"
    "                    such as \"DejaVu Sans:bold\" (default monospace)\n"
    "  --header          (print) file name, date and \"Page N of M\" atop each page\n"
    "  -h, --help        this help\n"
    "  --version         the version\n"
    "\n"
    "Exit status: 0 on success, 1 when the library refuses a request, 2 for a\n"
    "malformed command line, 3 when a file or stream cannot be read or written,\n"
    "4 when text was printed but not all of it: some input was not UTF-8 (drawn\n"
    "as '?') or, for print, some character is in no installed TrueType font.\n";

namespace {

// A decimal number: "010" is ten, and "0x10" is no number.
bool ParseInt(const std::string& text, int& value) {
    char* end = nullptr;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != 0 || parsed < -2147483647L - 1 || parsed > 2147483647L)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

} // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    bool operandsOnly = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string text;
        if (operandsOnly || arg.empty() || arg[0] != '-' || arg == "-") {
            if (options.command.empty())
                options.command = arg;
            else
                options.operands.push_back(arg);
        } else if (arg == "--") {
            operandsOnly = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--italic") {
            options.italic = true;
        } else if (arg == "--raw") {
            options.raw = true;
        } else if (arg == "--header") {
            options.header = true;
        } else if (arg == "--font") {
            if (!value(options.font))
                return false;
            if (options.font.empty()) {
                error = "option --font needs a font name";
                return false;
            }
        } else if (arg == "--charset" || arg == "--weight") {
            if (!value(text))
                return false;
            int number = 0;
            bool charset = arg == "--charset";
            if (!ParseInt(text, number) || (charset && (number < 0 || number > 255))) {
                error = "option " + arg + " takes " + (charset ? "a number from 0 to 255" : "a number");
                return false;
            }
            (charset ? options.charSet : options.weight) = number;
        } else if (arg == "--font-file") {
            if (!value(text))
                return false;
            options.fontFiles.push_back(text);
        } else if (arg == "-o" || arg == "--output") {
            if (!value(options.output))
                return false;
        } else if (arg == "--size") {
            if (!value(text))
                return false;
            char* end = nullptr;
            options.size = std::strtod(text.c_str(), &end);
            options.sizeGiven = true;
            if (text.empty() || *end != 0 || !(options.size > 0 && options.size <= 1000)) {
                error = "option --size takes a size in points, above 0 and at most 1000";
                return false;
            }
        } else if (arg == "--paper") {
            if (!value(options.paper))
                return false;
            if (!print::FindPaper(options.paper)) {
                error = "option --paper takes one of " + print::PaperNames();
                return false;
            }
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    return true;
}

LOGFONTA MakeRequest(const Options& options, const std::string& faceName) {
    LOGFONTA request;
    std::memset(&request, 0, sizeof request);
    request.lfWeight = options.weight;
    request.lfItalic = options.italic ? 1 : 0;
    request.lfCharSet = static_cast<std::uint8_t>(options.charSet);
    // Callers check the length: a face name holds at most 31 bytes.
    std::strncpy(request.lfFaceName, faceName.c_str(), sizeof request.lfFaceName - 1);
    return request;
}

} // namespace cli
