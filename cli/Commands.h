// The commands of the quelin command, and what they share: checking the
// face operand and converting its font, opening and finishing the output,
// and the drawing code of pieces of text.
#pragma once

#include "Options.h"
#include "OutputFile.h"

#include "t42/TTPost42.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace cli {

using Converter = std::shared_ptr<const t42::TTPost42>;

// Converts the font that the first operand names (as `quelin list` prints
// it) for the options' code page; `moreOperands` says whether operands
// may follow the face. kExitOk, or the exit status after a message.
int MakeFaceFont(const Options& options, bool moreOperands, Converter& converter);

// Loads the font that the first and only operand names, as MakeFaceFont
// finds it, without writing its program. kExitOk, or the exit status after
// a message.
int LoadFaceFont(const Options& options, t42::TTPost42& converter);

// Opens the output of the options, refusing to write over the fonts and
// `inputs`; false after printing why not.
bool OpenOutput(const Options& options, OutputFile& out, const std::vector<std::string>& inputs = {});

// Puts the output in place; `status`, or kExitIo after saying why not.
int Finish(OutputFile& out, int status = 0);

// The preamble and the end that the font commands share: the face's font
// made, the output opened, `body` run, the output put in place unless the
// body failed. `body` gives an exit status (after a message when it is a
// failure).
int RunOnFace(const Options& options, bool moreOperands,
              const std::function<int(const t42::TTPost42&, OutputFile&)>& body);

// Whether the output is to be PDF: -o NAME.pdf.
bool WantsPdf(const Options& options);

// The PostScript name of a converted font.
std::string PostScriptName(const t42::TTPost42& converter);

// The code page that terminal text is converted to.
std::uint32_t TextCodePage(const Options& options);

// The drawing code of pieces of text, in a buffer grown until it fits;
// the pieces are bounded, and so is the buffer.
class Drawer {
public:
    explicit Drawer(const t42::TTPost42& converter) : converter_(converter), buffer_(1 << 14) {}
    // The code of `text`; null after printing why not.
    const char* Code(const std::string& text, std::size_t& size);

private:
    const t42::TTPost42& converter_;
    std::vector<char> buffer_;
};

// The commands, each given the parsed command line; an exit status.
int ListFonts(const Options& options);
int ShowName(const Options& options);
int ShowInfo(const Options& options);
int Convert(const Options& options);
int ShowText(const Options& options);
int PrintPage(const Options& options);
int PrintText(const Options& options);

} // namespace cli
