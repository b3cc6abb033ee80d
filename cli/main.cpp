// dravmoor: the command-line client. Everything but the process lives in commands.cpp.
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

// The password never comes from the command line (where other users could see it): from a
// terminal it is asked for without echo, otherwise it is the first line of standard input.
std::optional<std::string> ReadPassword()
{
    std::string line;
    if (isatty(STDIN_FILENO)) {
        std::fputs("Password: ", stderr);
        std::fflush(stderr);
        termios saved{};
        const bool canHide = tcgetattr(STDIN_FILENO, &saved) == 0;
        if (canHide) {
            termios quiet = saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        }
        const bool got = static_cast<bool>(std::getline(std::cin, line));
        if (canHide) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
        if (!got) return std::nullopt;
    } else if (!std::getline(std::cin, line) && line.empty()) {
        return std::string();  // empty input: an empty password, as the dialog allows
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::unique_ptr<sockets::SocketApi> api = sockets::CreateSystemSocketApi();
    cli::Io io;
    io.readPassword = ReadPassword;
    return cli::Run(args, *api, io);
}
