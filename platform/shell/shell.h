// Opens an address with the desktop's default handler (the browser for http://).
#pragma once

#include <string>

namespace shell {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Result not reported to the user; returns false when nothing could be started.
    virtual bool Open(const std::string& url) = 0;
};

}  // namespace shell
