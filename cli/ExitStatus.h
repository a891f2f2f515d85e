// The exit statuses of the quelin command, and its one-sentence messages on
// standard error.
#pragma once

#include "print/Messages.h"

#include <cstdio>
#include <string>

namespace cli {

constexpr int kExitOk = 0;      // done
constexpr int kExitRefused = 1; // the library refused the request
constexpr int kExitUsage = 2;   // a malformed command line
constexpr int kExitIo = 3;      // a file or stream cannot be read or written
constexpr int kExitPartial = 4; // printed, but not all of the text: some input was not valid UTF-8

// Prints "quelin: MESSAGE" and gives `status`.
inline int Fail(int status, const std::string& message) {
    std::fprintf(stderr, "quelin: %s\n", message.c_str());
    return status;
}

inline void Warn(const std::string& message) { std::fprintf(stderr, "quelin: warning: %s\n", message.c_str()); }

using print::Quoted;

} // namespace cli
