// CQuickSetupApp: the program's start routine. Starts the sockets layer (version 1.1), runs the
// main window modally and releases the layer when the window has ended; when the layer does not
// start, the only thing the user sees is the message box saying so (IDP_SOCKETS_INIT_FAILED).
#pragma once

#include "app/services.h"

namespace app {

class CQuickSetupApp {
public:
    explicit CQuickSetupApp(Services& services) : m_services(services) {}
    // Returns false, as the framework's start routine does: no message loop follows.
    bool InitInstance();
    // Whether the main window ran (false after a failed start-up).
    bool ranMainWindow() const { return m_ranMainWindow; }

private:
    Services& m_services;
    bool m_ranMainWindow = false;
};

}  // namespace app
