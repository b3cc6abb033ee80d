#include "cli/terminal.h"

#include "cli/console.h"

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

// Every signal that, uncaught, ends the program (the first eight) or stops it, and SIGCONT.
constexpr std::array<int, 12> kSignals{SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGALRM, SIGPIPE,
                                       SIGUSR1, SIGUSR2, SIGTSTP, SIGTTIN, SIGTTOU, SIGCONT};

termios g_saved{};  // the terminal as it was
termios g_quiet{};  // the same without echo
const char* g_prompt = "";
volatile std::sig_atomic_t g_stopped = 0;

sigset_t Handled()
{
    sigset_t set;
    sigemptyset(&set);
    for (int s : kSignals) sigaddset(&set, s);
    return set;
}

void OnSignal(int signal);

struct sigaction Ours()
{
    struct sigaction a {};
    a.sa_handler = OnSignal;
    a.sa_flags = SA_RESTART;  // the read goes on after a stop and continue
    // None of ours in between; with SIGTTOU held, a background process may still set the
    // terminal, which is what it must do here.
    a.sa_mask = Handled();
    return a;
}

// Only async-signal-safe calls: tcsetattr, tcgetpgrp, getpgrp, write, sigaction, raise,
// sigprocmask, sigpending.
void OnSignal(int signal)
{
    const int savedErrno = errno;
    if (signal == SIGCONT) {
        const struct sigaction ours = Ours();
        for (int s : {SIGTSTP, SIGTTIN, SIGTTOU}) sigaction(s, &ours, nullptr);
        // Continued in the background, the terminal is the shell's: the next read stops us
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
    const bool stop = signal == SIGTSTP || signal == SIGTTIN || signal == SIGTTOU;
    g_stopped = stop;
    // Then what the signal does uncaught.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, nullptr);
    if (!stop) {
        raise(signal);  // held until this handler returns, then it ends the program
        errno = savedErrno;
        return;
    }
    // A stop happens here, inside raise. In an orphaned process group (`script -c`, `ssh -t`)
    // the system drops it instead and the read goes on, so echo must go off again now: the
    // continue that would do it never comes.
    sigset_t self;
    sigemptyset(&self);
    sigaddset(&self, signal);
    sigprocmask(SIG_UNBLOCK, &self, nullptr);
    raise(signal);
    sigprocmask(SIG_BLOCK, &self, nullptr);
    const struct sigaction ours = Ours();
    sigaction(signal, &ours, nullptr);
    sigset_t pending;
    sigpending(&pending);
    // Stopped and continued: SIGCONT, held while we are here, asks anew once we return.
    if (sigismember(&pending, SIGCONT) == 0) {
        g_stopped = 0;
        // The line typed so far went with the suspend character: ask for all of it again.
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_quiet);
        const ssize_t n = write(STDERR_FILENO, "\n", 1);
        const ssize_t m = write(STDERR_FILENO, g_prompt, std::strlen(g_prompt));
        (void)n;
        (void)m;
    }
    errno = savedErrno;
}

// For its life: our handler for each of kSignals whose action is the default (one the caller
// ignores stays ignored), with the previous actions put back at the end. Set up and taken
// down with the signals held, so none comes in half-way.
class SignalGuard {
public:
    SignalGuard()
    {
        const sigset_t handled = Handled();
        sigprocmask(SIG_BLOCK, &handled, &m_mask);
        const struct sigaction ours = Ours();
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            sigaction(kSignals[i], nullptr, &m_previous[i]);
            m_ours[i] = m_previous[i].sa_handler == SIG_DFL;
            if (m_ours[i]) sigaction(kSignals[i], &ours, nullptr);
        }
    }
    ~SignalGuard()
    {
        const sigset_t handled = Handled();
        sigprocmask(SIG_BLOCK, &handled, nullptr);
        tcsetattr(STDIN_FILENO, TCSADRAIN, &g_saved);
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            if (m_ours[i]) sigaction(kSignals[i], &m_previous[i], nullptr);
        sigprocmask(SIG_SETMASK, &m_mask, nullptr);
    }
    // The signals stay held until this: echo goes off as one step with taking them over.
    void Quiet()
    {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_quiet);
        sigprocmask(SIG_SETMASK, &m_mask, nullptr);
    }
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

private:
    sigset_t m_mask{};
    std::array<struct sigaction, kSignals.size()> m_previous{};
    std::array<bool, kSignals.size()> m_ours{};
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
    // The console's own Unicode, so that "päss" arrives as UTF-8 as it does on Linux.
    if (std::optional<std::string> typed = ReadConsoleLine()) {
        line = std::move(*typed);
        got = true;
    } else if (!canHide) {
        got = static_cast<bool>(std::getline(std::cin, line));
    }
    if (canHide) {
        SetConsoleMode(g_input, g_savedMode);
        SetConsoleCtrlHandler(RestoreConsole, FALSE);
    }
#else
    std::optional<SignalGuard> guard;
    if (tcgetattr(STDIN_FILENO, &g_saved) == 0) {
        g_quiet = g_saved;
        g_quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
        g_prompt = prompt;
        g_stopped = 0;
        guard.emplace().Quiet();
    }
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    got = static_cast<bool>(std::getline(std::cin, line));
    guard.reset();
#endif
    std::fputs("\n", stderr);  // the one the user typed was not echoed
    if (!got) return std::nullopt;
    return line;
}

}  // namespace cli
