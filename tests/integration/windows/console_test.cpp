// The command line on a console of its own under Wine: its UTF-8 reaches the console as the
// characters it stands for, and a password typed there comes back as UTF-8.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/console.h"
#include "cli/terminal.h"

namespace {

class Console : public ::testing::Test {
protected:
    void SetUp() override
    {
        FreeConsole();
        ASSERT_TRUE(AllocConsole());
        m_in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        m_out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, m_in);
        ASSERT_NE(INVALID_HANDLE_VALUE, m_out);
        SetStdHandle(STD_INPUT_HANDLE, m_in);
        SetStdHandle(STD_OUTPUT_HANDLE, m_out);
    }
    void TearDown() override
    {
        CloseHandle(m_in);
        CloseHandle(m_out);
        FreeConsole();
    }
    // The characters of the console's first `row`, up to `n` of them.
    std::wstring Row(SHORT row, DWORD n)
    {
        std::wstring text(n, L' ');
        DWORD got = 0;
        ReadConsoleOutputCharacterW(m_out, text.data(), n, COORD{0, row}, &got);
        text.resize(got);
        return text;
    }
    HANDLE m_in = nullptr;
    HANDLE m_out = nullptr;
};

TEST_F(Console, Utf8OutputShowsItsCharacters)
{
    cli::ConsoleStreams streams;
    ASSERT_NE(stdout, streams.out()) << "the console was not taken for one";
    std::fputs("NAS-B\xc3", streams.out());  // a character cut between two writes
    std::fputs("\xbcro\n", streams.out());
    streams.Flush();
    EXPECT_EQ(L"NAS-B\u00fcro", Row(0, 8));
}

// Typed on the console once echo is off (what was typed before that is discarded), key by key.
TEST_F(Console, TypedPasswordArrivesAsUtf8)
{
    const HANDLE in = m_in;
    const HANDLE typist = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            const auto console = static_cast<HANDLE>(p);
            DWORD mode = ENABLE_ECHO_INPUT;
            for (int i = 0; i < 1000 && (mode & ENABLE_ECHO_INPUT) != 0; ++i) {
                Sleep(10);
                GetConsoleMode(console, &mode);
            }
            std::wstring keys = L"p\u00e4ss\r";
            for (wchar_t c : keys) {
                INPUT_RECORD r[2] = {};
                for (int i = 0; i < 2; ++i) {
                    r[i].EventType = KEY_EVENT;
                    r[i].Event.KeyEvent.bKeyDown = i == 0;
                    r[i].Event.KeyEvent.wRepeatCount = 1;
                    r[i].Event.KeyEvent.wVirtualKeyCode = c == L'\r' ? VK_RETURN : 0;
                    r[i].Event.KeyEvent.uChar.UnicodeChar = c;
                }
                DWORD written = 0;
                WriteConsoleInputW(console, r, 2, &written);
            }
            return 0;
        },
        in, 0, nullptr);
    ASSERT_NE(nullptr, typist);
    const std::optional<std::string> line = cli::ReadHiddenLine("Password: ");
    WaitForSingleObject(typist, 5000);
    CloseHandle(typist);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ("p\xc3\xa4ss", *line);
}

}  // namespace
