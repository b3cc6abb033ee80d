// A password prompt on the terminal, without echo. Whatever was typed ahead is discarded when
// echo goes off, so it cannot become the password unseen. A signal that ends or stops the
// program gives the terminal its echo back first (Ctrl+C, Ctrl+\, SIGTERM, SIGHUP, Ctrl+Z, a
// background read); a continue takes it away again and asks anew, as does a stop that the
// system drops (Ctrl+Z in an orphaned process group). On Windows a console control handler
// restores the console mode.
#pragma once

#include <optional>
#include <string>

namespace cli {

// Shows `prompt` on standard error and reads one line from the terminal on standard input
// without echo. nullopt at end of input.
std::optional<std::string> ReadHiddenLine(const char* prompt);

}  // namespace cli
