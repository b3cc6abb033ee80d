// Opens an address with the desktop's default handler (the browser for http://).
#pragma once

#include <memory>
#include <string>

namespace shell {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Result not reported to the user; returns false when nothing could be started.
    virtual bool Open(const std::string& url) = 0;
};

// The desktop's own handler, chosen at build time per platform.
std::unique_ptr<UrlOpener> CreateSystemUrlOpener();

}  // namespace shell
