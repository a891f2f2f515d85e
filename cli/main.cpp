// quelin: list the installed TrueType fonts, convert one to a Type 42 font
// program, show the code that draws text in it, or print a page or text
// files.
#include "Commands.h"
#include "ExitStatus.h"
#include "Options.h"
#include "OutputFile.h"
#include "TemporaryFiles.h"

#include "platform/Platform.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace cli {

namespace {

constexpr const char* kVersion = "1.0.0";

struct Command {
    const char* name;
    int (*run)(const Options& options);
    bool printsText; // takes the options of print
};

constexpr Command kCommands[] = {
    {"list", ListFonts, false}, {"name", ShowName, false},   {"info", ShowInfo, false},
    {"convert", Convert, false}, {"text", ShowText, false}, {"page", PrintPage, false},
    {"print", PrintText, true},
};

const Command* FindCommand(const std::string& name) {
    for (const Command& command : kCommands)
        if (name == command.name)
            return &command;
    return nullptr;
}

int ShowHelpOrVersion(const Options& options) {
    OutputFile out;
    std::string error;
    if (!out.Open("-", {}, error))
        return Fail(kExitIo, error);
    if (options.help)
        out.Write(kUsage, std::strlen(kUsage));
    else
        out.Printf("quelin %s\n", kVersion);
    return Finish(out);
}

} // namespace

int Run(int argc, char** argv) {
    GuardStandardDescriptors();
    InstallSignalCleanup();
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error))
        return Fail(kExitUsage, error + " (see quelin --help)");
    if (options.help || options.version)
        return ShowHelpOrVersion(options);
    if (options.command.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const Command* command = FindCommand(options.command);
    if (!command)
        return Fail(kExitUsage, "unknown command " + Quoted(options.command) + " (see quelin --help)");
    if (!command->printsText && !options.printOnly.empty())
        return Fail(kExitUsage, "option " + options.printOnly + " applies to print only");
    for (const std::string& file : options.fontFiles)
        if (!platform::AddFontFile(file, error))
            return Fail(kExitIo, error);
    return command->run(options);
}

} // namespace cli

// Running out of memory (or any other exception) ends in one sentence and
// status 3; the output file, if any, is left as it was by its own cleanup.
int main(int argc, char** argv) {
    try {
        return cli::Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("quelin: not enough memory\n", stderr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quelin: %s\n", error.what());
    }
    return cli::kExitIo;
}
