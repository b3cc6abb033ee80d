// Opens an address with the desktop's default handler (the browser for http://).
#pragma once

#include <memory>
#include <string>

namespace shell {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // False when nothing could be started (no handler, or the address was refused).
    virtual bool Open(const std::string& url) = 0;
};

// The desktop's own handler, chosen at build time per platform.
std::unique_ptr<UrlOpener> CreateSystemUrlOpener();

}  // namespace shell
