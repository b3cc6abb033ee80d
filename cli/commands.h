// The command-line client's commands over the protocol functions. Run() is main() without
// the process: the socket backend, the output streams and the password source are passed
// in, so tests can drive it.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sockets/sockets.h"

namespace cli {

enum ExitCode {
    kExitOk = 0,
    kExitFailed = 1,    // network failure or an answer that is not the expected one
    kExitUsage = 2,     // bad arguments
    kExitTimedOut = 3,  // no answer
    kExitRefused = 4,   // the adapter refused (wrong password, settings refused)
};

struct Io {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    // The width the help text is laid out for: the terminal's, 0 when not known (80).
    int columns = 0;
    // Called only by `verify`; nullopt when no password could be read.
    std::function<std::optional<std::string>()> readPassword;
    // A socket backend of its own for each further thread, so that several adapters are
    // asked side by side; unset: one adapter after another on the backend given to Run.
    std::function<std::unique_ptr<sockets::SocketApi>()> newSocketApi;
    // Standard error is a terminal: long runs keep a progress line there.
    bool progress = false;
};

const char* UsageText();
// The commands and every option the parser knows ("--json", "status", "--user", ...), so a
// test can check that the usage text names them all.
std::vector<std::string> OptionNames();

// `args` excludes the program name.
int Run(const std::vector<std::string>& args, sockets::SocketApi& api, const Io& io);

}  // namespace cli
