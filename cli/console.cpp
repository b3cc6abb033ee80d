#include "cli/console.h"

#include <algorithm>
#include <string_view>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace cli {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The length of the sequence `lead` starts, 0 for a byte that cannot start one.
std::size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

void Append(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
        return;
    }
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8, std::string& carry)
{
    std::string joined = carry + std::string(utf8);
    carry.clear();
    std::u16string out;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(joined[i]); };
    for (std::size_t i = 0; i < joined.size();) {
        const std::size_t n = SequenceLength(byte(i));
        if (n == 0) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        char32_t c = n == 1 ? byte(i) : byte(i) & (0xFF >> (n + 1));
        std::size_t k = 1;
        for (; k < n && i + k < joined.size(); ++k) {
            const unsigned char b = byte(i + k);
            // The second byte's range rules out overlong forms, surrogates and past U+10FFFF.
            const unsigned char low = k == 1 && byte(i) == 0xE0   ? 0xA0
                                      : k == 1 && byte(i) == 0xF0 ? 0x90
                                                                  : 0x80;
            const unsigned char high = k == 1 && byte(i) == 0xED   ? 0x9F
                                       : k == 1 && byte(i) == 0xF4 ? 0x8F
                                                                   : 0xBF;
            if (b < low || b > high) break;
            c = (c << 6) | (b & 0x3F);
        }
        if (k == n) {
            Append(out, c);
            i += n;
        } else if (i + k == joined.size()) {
            carry = joined.substr(i);  // cut off: the rest comes with the next piece
            break;
        } else {
            out.push_back(kReplacement);
            i += k;
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16)
{
    std::string out;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

#ifdef _WIN32

namespace {

bool IsConsole(HANDLE h)
{
    DWORD mode = 0;
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

}  // namespace

// A pipe the C runtime writes into, and a thread that writes what comes out of it onto the
// console as UTF-16. The runtime's streams only write bytes, so this is where they turn into
// the console's text.
class ConsoleStreams::Bridge {
public:
    explicit Bridge(HANDLE console) : m_console(console)
    {
        HANDLE write = nullptr;
        if (!CreatePipe(&m_read, &write, nullptr, 0)) return;
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(write), _O_WRONLY | _O_BINARY);
        if (fd == -1) {
            CloseHandle(write);
            return;
        }
        m_file = _fdopen(fd, "wb");
        if (m_file == nullptr) {
            _close(fd);
            return;
        }
        // Each write of the program reaches the console at once, in order with the other
        // stream's and with what the console itself shows (a prompt's echo).
        std::setvbuf(m_file, nullptr, _IONBF, 0);
        m_idle = CreateEventW(nullptr, TRUE, TRUE, nullptr);
        m_thread = CreateThread(nullptr, 0, &Bridge::Run, this, 0, nullptr);
        if (m_thread == nullptr) {
            std::fclose(m_file);
            m_file = nullptr;
        }
    }
    ~Bridge()
    {
        if (m_file != nullptr) std::fclose(m_file);  // the thread then reads the end
        if (m_thread != nullptr) {
            WaitForSingleObject(m_thread, 5000);
            CloseHandle(m_thread);
        }
        if (m_idle != nullptr) CloseHandle(m_idle);
        if (m_read != nullptr) CloseHandle(m_read);
    }
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;

    std::FILE* file() const { return m_file; }

    // Until the pipe is empty and the thread has written all it took out (at most 2 s).
    void Flush()
    {
        if (m_file == nullptr) return;
        for (int i = 0; i < 2000; ++i) {
            DWORD waiting = 1;
            if (!PeekNamedPipe(m_read, nullptr, 0, nullptr, &waiting, nullptr)) return;
            if (waiting == 0 && WaitForSingleObject(m_idle, 0) == WAIT_OBJECT_0) {
                // Once more a moment later: the thread may have just taken the last bytes.
                Sleep(5);
                if (PeekNamedPipe(m_read, nullptr, 0, nullptr, &waiting, nullptr) && waiting == 0 &&
                    WaitForSingleObject(m_idle, 0) == WAIT_OBJECT_0)
                    return;
            }
            Sleep(1);
        }
    }

private:
    static DWORD WINAPI Run(LPVOID self)
    {
        static_cast<Bridge*>(self)->Pump();
        return 0;
    }
    void Pump()
    {
        std::string carry;
        char buffer[4096];
        for (;;) {
            DWORD got = 0;
            // Busy from before the read returns: Flush must not see an empty pipe and an idle
            // thread while bytes are between the two.
            DWORD waiting = 0;
            if (PeekNamedPipe(m_read, nullptr, 0, nullptr, &waiting, nullptr) && waiting == 0)
                SetEvent(m_idle);
            if (!ReadFile(m_read, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
            ResetEvent(m_idle);
            const std::u16string text = Utf8ToUtf16(std::string_view(buffer, got), carry);
            Write(text);
        }
        if (!carry.empty()) Write(std::u16string(1, kReplacement));
        SetEvent(m_idle);
    }
    void Write(const std::u16string& text)
    {
        const auto* p = reinterpret_cast<const wchar_t*>(text.data());
        std::size_t left = text.size();
        while (left > 0) {
            DWORD written = 0;
            const DWORD n = static_cast<DWORD>(std::min<std::size_t>(left, 8192));
            if (!WriteConsoleW(m_console, p, n, &written, nullptr) || written == 0) return;
            p += written;
            left -= written;
        }
    }

    HANDLE m_console;
    HANDLE m_read = nullptr;
    HANDLE m_idle = nullptr;
    HANDLE m_thread = nullptr;
    std::FILE* m_file = nullptr;
};

ConsoleStreams::ConsoleStreams()
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (IsConsole(out)) {
        m_outBridge = std::make_unique<Bridge>(out);
        if (m_outBridge->file() != nullptr) m_out = m_outBridge->file();
    }
    if (IsConsole(err)) {
        if (m_outBridge != nullptr && m_outBridge->file() != nullptr && IsConsole(out)) {
            m_err = m_out;  // one console: one stream, so the lines stay in order
        } else {
            m_errBridge = std::make_unique<Bridge>(err);
            if (m_errBridge->file() != nullptr) m_err = m_errBridge->file();
        }
    }
}

ConsoleStreams::~ConsoleStreams()
{
    std::fflush(stdout);
    std::fflush(stderr);
}

void ConsoleStreams::Flush()
{
    if (m_outBridge) m_outBridge->Flush();
    if (m_errBridge) m_errBridge->Flush();
}

std::optional<std::string> ReadConsoleLine()
{
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (!IsConsole(in)) return std::nullopt;
    std::u16string line;
    wchar_t buffer[256];
    for (;;) {
        DWORD got = 0;
        if (!ReadConsoleW(in, buffer, 256, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        line.append(reinterpret_cast<const char16_t*>(buffer), got);
        if (line.back() == u'\n') break;
    }
    if (line.empty()) return std::nullopt;
    // Ctrl+Z at the start of the line is the console's end of input.
    if (line.front() == u'\x1a') return std::nullopt;
    while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r')) line.pop_back();
    return Utf16ToUtf8(line);
}

int TerminalColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

#else

class ConsoleStreams::Bridge {};

ConsoleStreams::ConsoleStreams() = default;
ConsoleStreams::~ConsoleStreams() = default;
void ConsoleStreams::Flush() {}

std::optional<std::string> ReadConsoleLine()
{
    return std::nullopt;
}

int TerminalColumns()
{
    winsize size{};
    if (isatty(STDOUT_FILENO) == 0 || ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

#endif

}  // namespace cli
