#include "cli/terminal.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#endif

namespace cli {

namespace {

#ifdef _WIN32

HANDLE g_input = nullptr;
DWORD g_savedMode = 0;

// Runs on a thread of its own when Ctrl+C, Ctrl+Break or closing the console ends the program.
BOOL WINAPI RestoreConsole(DWORD)
{
    SetConsoleMode(g_input, g_savedMode);
    return FALSE;  // and let the default handler end the program
}

#else

// What a signal does if nobody catches it: ends the program, or stops it.
constexpr std::array<int, 8> kEnding{SIGHUP,  SIGINT,  SIGQUIT, SIGTERM,
                                     SIGALRM, SIGPIPE, SIGUSR1, SIGUSR2};
constexpr std::array<int, 3> kStopping{SIGTSTP, SIGTTIN, SIGTTOU};
constexpr std::size_t kHandled = kEnding.size() + kStopping.size() + 1;  // and SIGCONT

termios g_saved{};  // the terminal as it was
termios g_quiet{};  // the same without echo
const char* g_prompt = "";
volatile std::sig_atomic_t g_stopped = 0;

bool IsStopping(int signal)
{
    for (int s : kStopping)
        if (s == signal) return true;
    return false;
}

void OnSignal(int signal);

struct sigaction Handler()
{
    struct sigaction a {};
    a.sa_handler = OnSignal;
    a.sa_flags = SA_RESTART;  // the read goes on after a stop and continue
    sigemptyset(&a.sa_mask);
    // No other of ours in between; with SIGTTOU held, a background process may still set the
    // terminal (which is what it must do here).
    for (int s : kEnding) sigaddset(&a.sa_mask, s);
    for (int s : kStopping) sigaddset(&a.sa_mask, s);
    sigaddset(&a.sa_mask, SIGCONT);
    return a;
}

// Only the async-signal-safe calls: tcsetattr, tcgetpgrp, getpgrp, write, sigaction, raise.
void OnSignal(int signal)
{
    const int savedErrno = errno;
    if (signal == SIGCONT) {
        for (int s : kStopping) {
            const struct sigaction a = Handler();
            sigaction(s, &a, nullptr);
        }
        // Continued in the background, the terminal is the shell's; the next read stops us
        // again, and the continue into the foreground comes back here.
        const pid_t foreground = tcgetpgrp(STDIN_FILENO);
        if (foreground == -1 || foreground == getpgrp()) {
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_quiet);
            if (g_stopped) {
                g_stopped = 0;
                const ssize_t n = write(STDERR_FILENO, g_prompt, std::strlen(g_prompt));
                (void)n;
            }
        }
        errno = savedErrno;
        return;
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
    if (IsStopping(signal)) g_stopped = 1;
    // Then what the signal does uncaught; it is held until this handler returns.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, nullptr);
    raise(signal);
    errno = savedErrno;
}

// Installs the handler for every signal in kEnding, kStopping and SIGCONT whose action is the
// default one (a signal the caller ignores stays ignored), and puts the previous actions back.
class Guard {
public:
    Guard()
    {
        std::size_t i = 0;
        const struct sigaction ours = Handler();
        auto take = [&](int s) {
            m_signals[i] = s;
            sigaction(s, nullptr, &m_previous[i]);
            m_ours[i] = m_previous[i].sa_handler == SIG_DFL;
            if (m_ours[i]) sigaction(s, &ours, nullptr);
            ++i;
        };
        for (int s : kEnding) take(s);
        for (int s : kStopping) take(s);
        take(SIGCONT);
    }
    ~Guard()
    {
        for (std::size_t i = 0; i < kHandled; ++i)
            if (m_ours[i]) sigaction(m_signals[i], &m_previous[i], nullptr);
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    std::array<int, kHandled> m_signals{};
    std::array<struct sigaction, kHandled> m_previous{};
    std::array<bool, kHandled> m_ours{};
};

// Holds the handled signals for a scope: setting up and taking down happen as one step.
class Held {
public:
    Held()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int s : kEnding) sigaddset(&set, s);
        for (int s : kStopping) sigaddset(&set, s);
        sigaddset(&set, SIGCONT);
        sigprocmask(SIG_BLOCK, &set, &m_previous);
    }
    ~Held() { sigprocmask(SIG_SETMASK, &m_previous, nullptr); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    sigset_t m_previous{};
};

#endif

}  // namespace

std::optional<std::string> ReadHiddenLine(const char* prompt)
{
    std::string line;
    bool got = false;
#ifdef _WIN32
    g_input = GetStdHandle(STD_INPUT_HANDLE);
    const bool canHide = GetConsoleMode(g_input, &g_savedMode) != 0;
    if (canHide) {
        FlushConsoleInputBuffer(g_input);
        SetConsoleCtrlHandler(RestoreConsole, TRUE);
        SetConsoleMode(g_input, g_savedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    }
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    got = static_cast<bool>(std::getline(std::cin, line));
    if (canHide) {
        SetConsoleMode(g_input, g_savedMode);
        SetConsoleCtrlHandler(RestoreConsole, FALSE);
    }
#else
    std::optional<Guard> guard;
    bool canHide = false;
    {
        const Held held;
        canHide = tcgetattr(STDIN_FILENO, &g_saved) == 0;
        if (canHide) {
            g_quiet = g_saved;
            g_quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
            g_prompt = prompt;
            g_stopped = 0;
            guard.emplace();
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_quiet);
        }
    }
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    got = static_cast<bool>(std::getline(std::cin, line));
    if (canHide) {
        const Held held;
        tcsetattr(STDIN_FILENO, TCSADRAIN, &g_saved);
        guard.reset();
    }
#endif
    std::fputs("\n", stderr);  // the one the user typed was not echoed
    if (!got) return std::nullopt;
    return line;
}

}  // namespace cli
