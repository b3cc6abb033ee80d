// Shows the protocol layer's messages in the application message box.
#pragma once

#include <string>

#include "protocol/exchange.h"

namespace verify {

class AppMessageSink final : public protocol::MessageSink {
public:
    void ShowMessage(const std::string& text) override;
};

}  // namespace verify
