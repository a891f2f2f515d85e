// A spooler job's options for text, as a print request: the sheet (paper,
// orientation, margins), the type size from characters and lines per inch,
// columns, cut lines, the header with the job's title, and the charset.
// Options that later filters carry out (copies, number-up, page-ranges) are
// left to them.
#pragma once

#include "print/PrintJob.h"

#include <cups/cups.h>

#include <string>
#include <vector>

namespace filter {

struct JobOptions {
    int count = 0;
    cups_option_t* options = nullptr;
    std::string title; // the job's
    std::string ppd;   // the printer's PPD file, if any
};

// The request for `job`, reading `file` ("-": standard input). Options
// that cannot be used are left out, each with a sentence in `warnings`.
print::PrintRequest MakeRequest(const JobOptions& job, const std::string& file, std::vector<std::string>& warnings);

} // namespace filter
