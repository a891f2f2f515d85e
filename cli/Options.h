// The command line: a subcommand, its operands and the options that fill
// the font request.
#pragma once

#include "quelin.h"

#include <string>
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
    std::string font;         // --font (print)
    bool header = false;      // --header (print)
    std::string paper = "a4"; // --paper
    // print's page layout.
    bool landscape = false, lineNumbers = false, truncate = false;
    int columns = 1, tabWidth = 8;
    double margins = 36; // points, on every side
    std::string title, pages, duplex;
    bool help = false;
    bool version = false;
};

// Parses argv; false with a message in `error` for a malformed line.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

// The request the options describe for `faceName`.
LOGFONTA MakeRequest(const Options& options, const std::string& faceName);

extern const char* const kUsage;

} // namespace cli
