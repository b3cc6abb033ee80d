// A UrlOpener for tests: records every address instead of opening it.
#pragma once

#include <string>
#include <vector>

#include "platform/shell/shell.h"

namespace shell {

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
