// The administrator check both device commands (Setup wizard, Share mapping) run before they
// open their own dialog.
#pragma once

#include "platform/sockets/sockets.h"
#include "protocol/device_info.h"

namespace ui {
class CDialog;
}

namespace verify {

// Returns true when the command goes on. An adapter that answered differently by several
// networks (protocol::IsAmbiguous) stops it with a message, before anything is sent. Adapters that ask for no password pass at once;
// otherwise the verification dialog runs modally and only a confirmed verification (IDOK)
// lets the command continue. Cancel or closing it abandons the command and changes nothing.
bool ApplyVerificationRule(sockets::SocketApi& api, protocol::DeviceInfo& device,
                           ui::CDialog* parent = nullptr);

}  // namespace verify
