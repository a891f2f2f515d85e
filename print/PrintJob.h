// A print job: text files laid out in a font chosen by name, with every
// character from a font that has it, written as PostScript or PDF. The
// `quelin print` command and a spooler's filter differ only in how the
// request reaches it and where its words go.
#pragma once

#include "FontChoice.h"
#include "Messages.h"
#include "Output.h"
#include "PageModel.h"
#include "Shaper.h"
#include "TextInput.h"

#include <memory>
#include <utility>
#include <string>
#include <sys/types.h>
#include <vector>

namespace print {

struct PrintRequest {
    std::vector<std::string> files; // none, or "-": standard input
    std::string font = "monospace"; // a listed name or a fontconfig pattern
    int weight = 400;
    bool italic = false;
    PageModel page;
    InputOptions input;
    bool pdf = false;
    // The pages to write, numbered through the document from 1, as
    // inclusive ranges; empty: all.
    std::vector<std::pair<std::size_t, std::size_t>> pages;
};

class PrintJob {
public:
    // `inputFailed`: the document was written, without the inputs that
    // could not be read (each was reported). `noPages`: none of the pages
    // asked for is in the document.
    enum class Outcome { done, partial, fontRefused, fileFailed, inputFailed, noPages };

    PrintJob(const PrintRequest& request, Reporter& reporter);
    ~PrintJob();

    // Opens the main font. False with a sentence in `error` and what failed
    // in `outcome`.
    bool Open(std::string& error, Outcome& outcome);

    // Lays out the inputs, opening one at a time, and writes the document
    // to `out`: PDF when the request asks for it, else PostScript, which
    // keeps its pages in `scratch` until its fonts are known. `done`;
    // `partial` when some text could not be drawn as given (an invalid
    // byte, a character no font has, a binary file left out; each was
    // reported); `inputFailed` when an input could not be opened (reported,
    // the others printed); otherwise a failure with a sentence in `error`,
    // also when no input could be opened at all.
    Outcome Run(Output& out, Scratch& scratch, std::string& error);

private:
    struct Input {
        std::string name; // as given; "" for standard input
        int descriptor = -1;
        off_t size = 0;   // of a regular file, for the progress
        std::string date; // for the header
    };

    // Opens the input `name` ("-": standard input); false with a sentence
    // in `error`.
    bool OpenInput(const std::string& name, Input& input, std::string& error);
    std::string Title() const;
    void ReportMissing(const std::vector<struct MissingCharacter>& missing);

    PrintRequest request_;
    Reporter& reporter_;
    FontChoice choice_;
    std::unique_ptr<FontSet> fonts_;
};

} // namespace print
