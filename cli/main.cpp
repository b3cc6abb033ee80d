// dravmoor: the command-line client. Everything but the process lives in the cli library.
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/terminal.h"
#include "platform/dlls/dll_search.h"

namespace {

bool StdinIsTerminal()
{
#ifdef _WIN32
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

bool StderrIsTerminal()
{
#ifdef _WIN32
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

// The password never comes from the command line (where other users could see it): from a
// terminal it is asked for without echo, otherwise it is the first line of standard input.
std::optional<std::string> ReadPassword(cli::ConsoleStreams& streams)
{
    std::string line;
    if (StdinIsTerminal()) {
        streams.Flush();  // what was written before shows before the prompt
        std::optional<std::string> typed = cli::ReadHiddenLine("Password: ");
        if (!typed) return std::nullopt;
        line = *typed;
    } else if (!std::getline(std::cin, line) && line.empty()) {
        return std::string();  // empty input: an empty password, as the dialog allows
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

int main(int argc, char** argv)
{
    // Before anything can load a DLL that Windows would first look for beside the program.
    dlls::LoadFromSystemFolderOnly();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::unique_ptr<sockets::SocketApi> api = sockets::CreateSystemSocketApi();
    // Asked before the console streams take standard error over.
    const bool progress = StderrIsTerminal();
    cli::ConsoleStreams streams;
    cli::Io io;
    io.out = streams.out();
    io.err = streams.err();
    io.columns = cli::TerminalColumns();
    io.readPassword = [&streams] { return ReadPassword(streams); };
    io.newSocketApi = sockets::CreateSystemSocketApi;
    io.progress = progress;
    return cli::Run(args, *api, io);
}
