// The shell's "open" for the address: the user's browser. The address reaching here has
// passed the program's strict check (app/web_address.cpp); this one refuses anything but a
// plain http address, so no other handler (a file, a command) can be started by a device.
#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs

#include <string>

#include "platform/shell/shell.h"

namespace shell {

namespace {

std::wstring Wide(const std::string& utf8)
{
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                      static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                        out.data(), n);
    return out;
}

class ShellUrlOpener final : public UrlOpener {
public:
    bool Open(const std::string& url) override
    {
        if (url.rfind("http://", 0) != 0) return false;
        for (char c : url)
            if (static_cast<unsigned char>(c) <= 0x20 || c == '"' || c == '\x7f') return false;
        const std::wstring w = Wide(url);
        if (w.empty()) return false;
        const auto r = reinterpret_cast<INT_PTR>(
            ShellExecuteW(nullptr, L"open", w.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        return r > 32;  // the shell's own convention: above 32 is success
    }
};

}  // namespace

std::unique_ptr<UrlOpener> CreateSystemUrlOpener()
{
    return std::make_unique<ShellUrlOpener>();
}

}  // namespace shell
