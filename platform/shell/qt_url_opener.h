// UrlOpener implementations: the desktop's default handler through Qt, and a recorder for tests.
#pragma once

#include <string>
#include <vector>

#include "platform/shell/shell.h"

namespace shell {

// Hands the address to the desktop (the default browser for http://). Returns what Qt reports;
// on a desktop that is true as soon as a handler was started.
class QtUrlOpener final : public UrlOpener {
public:
    bool Open(const std::string& url) override;
};

// Records every address instead of opening it.
class RecordingUrlOpener final : public UrlOpener {
public:
    bool Open(const std::string& url) override
    {
        opened.push_back(url);
        return result;
    }
    std::vector<std::string> opened;
    bool result = true;
};

}  // namespace shell
