// The command line: a subcommand, its operands and the options, parsed the
// GNU way (getopt_long): long options with "=VALUE" or a separate value,
// short options where people expect them, options before or after the
// command and its operands, "--" ending the options.
#pragma once

#include "quelin.h"
#include "print/PageModel.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace cli {

struct Options {
    std::string command;
    std::vector<std::string> operands;
    std::vector<std::string> fontFiles; // --font-file, in the order given
    int charSet = ANSI_CHARSET;
    int weight = 400;
    bool italic = false;
    bool raw = false;
    std::string output;       // -o
    double size = 12;         // --size, in points
    bool sizeGiven = false;
    std::string paper = "a4"; // --paper
    bool help = false;
    bool version = false;

    // Options of print alone; `printOnly` names the first one given.
    std::string printOnly;
    std::string font;         // --font
    bool header = false;
    bool landscape = false;
    int columns = 1;
    bool marginsGiven = false;
    double margins[4] = {0, 0, 0, 0}; // top, right, bottom, left
    bool lineNumbers = false;
    int tabWidth = 8;
    bool truncate = false;
    std::string title;
    std::vector<std::pair<std::size_t, std::size_t>> pages; // inclusive ranges; empty: all
    print::Duplex duplex = print::Duplex::none;
    std::string encoding;
    bool escapes = true;
    bool force = false;
};

// Parses argv; false with a message in `error` for a malformed line.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

// The request the options describe for `faceName`.
LOGFONTA MakeRequest(const Options& options, const std::string& faceName);

extern const char* const kUsage;

} // namespace cli
