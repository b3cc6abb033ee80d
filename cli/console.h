// What the command line needs to know of the terminal it runs in: its width, and on Windows
// the console's own Unicode. Text for a Windows console goes out as UTF-16 through
// WriteConsoleW (its code page would garble UTF-8); redirected to a file or a pipe, and on
// other systems, the program's UTF-8 goes out as it is.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace cli {

// The width of the terminal standard output goes to; 0 when it is not a terminal.
int TerminalColumns();

// For its life, the streams the commands write to: standard output and standard error, or in
// their place, for each one that is a Windows console, a stream whose UTF-8 is written there
// as UTF-16. Both go to one such stream when they are the same console, so their order stays.
class ConsoleStreams {
public:
    ConsoleStreams();
    ~ConsoleStreams();  // writes out what is still on its way
    ConsoleStreams(const ConsoleStreams&) = delete;
    ConsoleStreams& operator=(const ConsoleStreams&) = delete;
    std::FILE* out() const { return m_out; }
    std::FILE* err() const { return m_err; }
    // Waits until everything written so far is on the console (before reading from it).
    void Flush();

    class Bridge;

private:
    std::unique_ptr<Bridge> m_outBridge;
    std::unique_ptr<Bridge> m_errBridge;
    std::FILE* m_out = stdout;
    std::FILE* m_err = stderr;
};

// Reads one line typed on a Windows console (without its line end) as UTF-8; nullopt when
// standard input is not a console or at its end. Elsewhere always nullopt.
std::optional<std::string> ReadConsoleLine();

// `utf8` as UTF-16 code units, invalid bytes as U+FFFD; `carry` keeps a sequence cut off at the
// end for the next call.
std::u16string Utf8ToUtf16(std::string_view utf8, std::string& carry);
// UTF-16 (unpaired surrogates as U+FFFD) as UTF-8.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace cli
