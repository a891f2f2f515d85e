// What the commands of the quelin command share: opening and finishing the
// output, and converting a face found by its listed name.
#pragma once

#include "Options.h"
#include "OutputFile.h"

#include "t42/TTPost42.h"

#include <memory>
#include <string>
#include <vector>

namespace cli {

// Opens the output of the options, refusing to write over the fonts and
// `texts`; false after printing why not.
bool OpenOutput(const Options& options, OutputFile& out, const std::vector<std::string>& texts = {});

// Puts the output in place; `status`, or kExitIo after saying why not.
int Finish(OutputFile& out, int status = 0);

bool EndsWith(const std::string& text, const std::string& suffix);

// Converts the font that `faceName` names, as `quelin list` prints it,
// for the options' code page; kExitOk, or the exit status after a message.
int MakeFont(const Options& options, const std::string& faceName, std::shared_ptr<const t42::TTPost42>& converter);

// quelin print
int PrintText(const Options& options);

} // namespace cli
