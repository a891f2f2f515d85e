// PDF from a PostScript document, made by Ghostscript (gs).
#pragma once

#include "OutputFile.h"

namespace cli {

// Turns the document in the scratch file `postScript` into PDF in `out`
// and finishes `out`. Ghostscript is run without a shell, reads the
// document on its standard input and writes a file that this command
// created and named (its output-file syntax never sees the user's name);
// its messages go to a log that is kept, and named, only when it fails.
// An exit status, after one sentence on standard error when it is not 0.
int MakePdf(OutputFile& postScript, OutputFile& out);

} // namespace cli
