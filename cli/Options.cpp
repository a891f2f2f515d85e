#include "Options.h"
#include "ExitStatus.h"

#include "print/Charset.h"
#include "print/FontChoice.h"

#include <getopt.h>

#include <cerrno>
#include <cmath>
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
    "  print [FILE...]         text files (none or -: standard input) as PostScript, or\n"
    "                          PDF with -o NAME.pdf: every character from a font that\n"
    "                          has it, shaped and in reading order, only the glyphs used;\n"
    "                          each file from a new page\n"
    "\n"
    "FACE is a name as list prints it, with or without \" (TrueType)\", or any one\n"
    "face of a \" & \"-joined collection.\n"
    "\n"
    "Options (--size=12 or --size 12; options may follow the operands;\n"
    "-- ends them):\n"
    "  --charset N         lfCharSet of the request, decimal (0 ANSI: code page 1252; 204 Russian: 1251; ...)\n"
    "  --weight N          lfWeight of the request (default 400)\n"
    "  --italic            set lfItalic in the request\n"
    "  --font-file PATH    add the faces of PATH in front of the installed fonts (repeatable)\n"
    "  --raw               (text, page) pass the text bytes as they are, unconverted\n"
    "  -o, --output FILE   write to FILE instead of standard output; FILE is replaced only\n"
    "                      once all of it was written\n"
    "  -s, --size PT       (page, print) font size in points, 1 to 500 (default 12; print: 10)\n"
    "  --paper NAME        (page, print) paper size: a4, a3, a5, letter, legal (default a4)\n"
    "  -h, --help          this help\n"
    "  --version           the version\n"
    "\n"
    "Options of print:\n"
    "  -f, --font NAME     the main font: a listed name or a fontconfig pattern such as\n"
    "                      \"DejaVu Sans:bold\" (default monospace)\n"
    "  --header            file name (or title), date and \"Page N of M\" atop each page\n"
    "  -t, --title TEXT    the header's name and the document's title instead of the file's\n"
    "  -r, --landscape     the paper turned sideways\n"
    "  --columns N         N columns of text on a sheet, 1 to 8, 18 points apart\n"
    "  --margins PT        the margins in points: one for all four, or TOP,RIGHT,BOTTOM,LEFT\n"
    "                      (default 36)\n"
    "  -C, --line-numbers  each input line's number before it\n"
    "  -T, --tab-width N   tab stops every N spaces, 1 to 32 (default 8)\n"
    "  --truncate          long lines cut at the margin instead of wrapped\n"
    "  -P, --pages RANGES  only these pages of the document: 3-5,9 or 7- (from 1)\n"
    "  --duplex SIDES      print on both sides: long (book) or short (notepad)\n"
    "  -X, --encoding NAME read the files in charset NAME (any that iconv -l lists);\n"
    "                      without it, a file that is not UTF-8 is read in the charset\n"
    "                      its first bytes suggest, with a warning that names it\n"
    "  --no-escapes        draw terminal escape sequences as text instead of taking their\n"
    "                      bold, italic, underline and colours\n"
    "  --force             print files that look binary instead of leaving them out\n"
    "\n"
    "Examples:\n"
    "  quelin print --header -o notes.pdf notes.txt\n"
    "  quelin print -r --columns=2 --size 8 -C src/*.c -o code.ps\n"
    "  MAN_KEEP_FORMATTING=1 man ls | quelin print -o ls.pdf\n"
    "\n"
    "Exit status: 0 on success, 1 when the library refuses a request, 2 for a\n"
    "malformed command line, 3 when a file or stream cannot be read or written\n"
    "(print: the other files are printed), 4 when text was printed but not all\n"
    "of it: some input was not valid in its charset (drawn as '?') or, for\n"
    "print, some character is in no installed TrueType font or a binary file\n"
    "was left out.\n";

namespace {

// Long options without a short form.
enum : int {
    kCharset = 256,
    kWeight,
    kItalic,
    kFontFile,
    kRaw,
    kPaper,
    kHeader,
    kVersion,
    kColumns,
    kMargins,
    kTruncate,
    kDuplex,
    kNoEscapes,
    kForce,
};

constexpr const char* kShortOptions = "-:o:s:f:t:rCT:P:X:h";

const struct option kLongOptions[] = {
    {"charset", required_argument, nullptr, kCharset},
    {"weight", required_argument, nullptr, kWeight},
    {"italic", no_argument, nullptr, kItalic},
    {"font-file", required_argument, nullptr, kFontFile},
    {"raw", no_argument, nullptr, kRaw},
    {"output", required_argument, nullptr, 'o'},
    {"size", required_argument, nullptr, 's'},
    {"paper", required_argument, nullptr, kPaper},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {"font", required_argument, nullptr, 'f'},
    {"header", no_argument, nullptr, kHeader},
    {"title", required_argument, nullptr, 't'},
    {"landscape", no_argument, nullptr, 'r'},
    {"columns", required_argument, nullptr, kColumns},
    {"margins", required_argument, nullptr, kMargins},
    {"line-numbers", no_argument, nullptr, 'C'},
    {"tab-width", required_argument, nullptr, 'T'},
    {"truncate", no_argument, nullptr, kTruncate},
    {"pages", required_argument, nullptr, 'P'},
    {"duplex", required_argument, nullptr, kDuplex},
    {"encoding", required_argument, nullptr, 'X'},
    {"no-escapes", no_argument, nullptr, kNoEscapes},
    {"force", no_argument, nullptr, kForce},
    {nullptr, 0, nullptr, 0},
};

using print::kLargestMargin;
using print::kLargestSize;
using print::kMostColumns;
using print::kSmallestSize;
constexpr int kWidestTab = 32;

// A decimal number: "010" is ten, and "0x10" is no number.
bool ParseInt(const std::string& text, int& value) {
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != 0 || errno != 0 || parsed < -2147483647L - 1 || parsed > 2147483647L)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

bool ParseIntIn(const std::string& text, int lowest, int highest, int& value) {
    return ParseInt(text, value) && value >= lowest && value <= highest;
}

// A finite decimal number within [lowest, highest].
bool ParseNumberIn(const std::string& text, double lowest, double highest, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == 0 && std::isfinite(value) && value >= lowest && value <= highest;
}

// "36" for all four margins, or "TOP,RIGHT,BOTTOM,LEFT".
bool ParseMargins(const std::string& text, double margins[4]) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ',')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    if (parts.size() != 1 && parts.size() != 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (!ParseNumberIn(parts[parts.size() == 1 ? 0 : i], 0, kLargestMargin, margins[i]))
            return false;
    return true;
}

bool ParsePageNumber(const std::string& text, std::size_t& number) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    number = std::strtoul(text.c_str(), nullptr, 10);
    return number >= 1;
}

// "3-5,9,12-": inclusive ranges of page numbers from 1; "12-" runs to the end.
bool ParsePages(const std::string& text, std::vector<std::pair<std::size_t, std::size_t>>& pages) {
    pages.clear();
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = text.find(',', start);
        std::string range = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        std::size_t dash = range.find('-');
        std::size_t first = 0, last = 0;
        if (!ParsePageNumber(range.substr(0, dash), first))
            return false;
        if (dash == std::string::npos)
            last = first;
        else if (dash + 1 == range.size())
            last = static_cast<std::size_t>(-1);
        else if (!ParsePageNumber(range.substr(dash + 1), last) || last < first)
            return false;
        pages.emplace_back(first, last);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

bool ParseDuplex(const std::string& text, print::Duplex& duplex) {
    if (text == "long")
        duplex = print::Duplex::longEdge;
    else if (text == "short")
        duplex = print::Duplex::shortEdge;
    else if (text == "none")
        duplex = print::Duplex::none;
    else
        return false;
    return true;
}

// The option as the user spelled it, for messages: "--size" or "-s".
std::string Spelled(const char* argument) {
    std::string text = argument;
    std::size_t equals = text.find('=');
    return text.compare(0, 2, "--") == 0 && equals != std::string::npos ? text.substr(0, equals) : text;
}

// Takes the value of option `code`; false with a message in `error`.
bool TakeOption(int code, const std::string& value, const std::string& spelled, Options& options,
                std::string& error) {
    auto refuse = [&](const std::string& what) {
        error = "option " + spelled + " takes " + what;
        return false;
    };
    switch (code) {
    case 'h':
        options.help = true;
        break;
    case kVersion:
        options.version = true;
        break;
    case kItalic:
        options.italic = true;
        break;
    case kRaw:
        options.raw = true;
        break;
    case kCharset:
        if (!ParseIntIn(value, 0, 255, options.charSet))
            return refuse("a number from 0 to 255");
        break;
    case kWeight:
        if (!ParseInt(value, options.weight))
            return refuse("a number");
        break;
    case kFontFile:
        options.fontFiles.push_back(value);
        break;
    case 'o':
        options.output = value;
        break;
    case 's':
        options.sizeGiven = true;
        if (!ParseNumberIn(value, kSmallestSize, kLargestSize, options.size))
            return refuse("a size in points from 1 to 500");
        break;
    case kPaper:
        options.paper = value;
        if (!print::FindPaper(value))
            return refuse("one of " + print::PaperNames());
        break;
    case 'f':
        options.font = value;
        if (value.empty())
            return refuse("a font name");
        if (!print::IsFontPattern(value))
            return refuse("a font name that fontconfig can read, such as \"DejaVu Sans:bold\"; it cannot read " +
                          Quoted(value));
        break;
    case kHeader:
        options.header = true;
        break;
    case 't':
        options.title = value;
        break;
    case 'r':
        options.landscape = true;
        break;
    case kColumns:
        if (!ParseIntIn(value, 1, kMostColumns, options.columns))
            return refuse("a number of columns from 1 to 8");
        break;
    case kMargins:
        options.marginsGiven = true;
        if (!ParseMargins(value, options.margins))
            return refuse("one margin or four (TOP,RIGHT,BOTTOM,LEFT), in points from 0 to 1000");
        break;
    case 'C':
        options.lineNumbers = true;
        break;
    case 'T':
        if (!ParseIntIn(value, 1, kWidestTab, options.tabWidth))
            return refuse("a number of spaces from 1 to 32");
        break;
    case kTruncate:
        options.truncate = true;
        break;
    case 'P':
        if (!ParsePages(value, options.pages))
            return refuse("page ranges such as 3-5,9 or 7- (pages count from 1)");
        break;
    case kDuplex:
        if (!ParseDuplex(value, options.duplex))
            return refuse("long, short or none");
        break;
    case 'X':
        options.encoding = value;
        if (!print::IsKnownCharset(value))
            return refuse("a charset that iconv knows (iconv -l lists them); it does not know " + Quoted(value));
        break;
    case kNoEscapes:
        options.escapes = false;
        break;
    case kForce:
        options.force = true;
        break;
    }
    return true;
}

bool IsPrintOption(int code) {
    switch (code) {
    case 'f': case kHeader: case 't': case 'r': case kColumns: case kMargins: case 'C': case 'T':
    case kTruncate: case 'P': case kDuplex: case 'X': case kNoEscapes: case kForce:
        return true;
    }
    return false;
}

void AddOperand(Options& options, const char* operand) {
    if (options.command.empty())
        options.command = operand;
    else
        options.operands.push_back(operand);
}

// What is wrong with the option at argv[index] that getopt_long refused.
std::string Refused(int code, int optionCode, const char* argument) {
    std::string spelled = optionCode != 0 && std::strncmp(argument, "--", 2) != 0
                              ? std::string("-") + static_cast<char>(optionCode)
                              : Spelled(argument);
    if (code == ':')
        return "option " + spelled + " needs a value";
    if (std::strncmp(argument, "--", 2) == 0 && std::strchr(argument, '='))
        for (const struct option* known = kLongOptions; known->name; ++known)
            if (spelled == std::string("--") + known->name)
                return "option " + spelled + " takes no value";
    return "unknown option " + spelled;
}

} // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    opterr = 0;
    optind = 1;
    for (;;) {
        int index = -1;
        int previous = optind;
        int code = getopt_long(argc, argv, kShortOptions, kLongOptions, &index);
        if (code == -1)
            break;
        if (code == 1) {
            AddOperand(options, optarg);
            continue;
        }
        // The argument that held a refused option: the one before optind, or
        // in a cluster of short options ("-rZ") the one still being read.
        const char* argument = argv[optind > previous ? optind - 1 : previous];
        if (code == '?' || code == ':') {
            error = Refused(code, optopt, argument);
            return false;
        }
        std::string spelled = index >= 0 ? std::string("--") + kLongOptions[index].name
                                         : std::string("-") + static_cast<char>(code);
        if (IsPrintOption(code) && options.printOnly.empty())
            options.printOnly = spelled;
        if (!TakeOption(code, optarg ? optarg : "", spelled, options, error))
            return false;
    }
    for (int i = optind; i < argc; ++i)
        AddOperand(options, argv[i]);
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
