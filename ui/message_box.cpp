// The backend of the running system, and the application message box with its test seam.
#include <cstdio>

#include "ui/busy_wait.h"
#include "ui/cdialog.h"
#include "ui/driver.h"
#include "ui/system.h"

namespace ui {

namespace {
Backend*& InstalledBackend()
{
    static Backend* backend = nullptr;
    return backend;
}

MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}
}  // namespace

UiSystem::UiSystem(Backend& backend) : m_previous(InstalledBackend())
{
    InstalledBackend() = &backend;
}

UiSystem::~UiSystem()
{
    InstalledBackend() = m_previous;
}

Backend* CurrentBackend()
{
    return InstalledBackend();
}

CString ApplicationName()
{
    Backend* backend = CurrentBackend();
    return backend != nullptr ? backend->ApplicationName() : CString();
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

int MessageBox(const CWnd* owner, const CString& text, const CString& caption, Icon icon)
{
    const MessageBoxRequest request{text, caption, icon};
    if (Handler()) return Handler()(request);
    Backend* backend = CurrentBackend();
    if (backend == nullptr) {
        // No window system to show it in: the text must still reach someone.
        std::fprintf(stderr, "%s\n", text.c_str());
        return IDOK;
    }
    // A message can open in the middle of an exchange: it shows the arrow, not the busy cursor.
    const bool busy = IsBusy();
    if (busy) backend->SetBusyCursor(false);
    const int result =
        backend->ShowMessageBox(owner != nullptr ? owner->GetSafeHwnd() : NativeWindow(), request);
    if (busy) backend->SetBusyCursor(true);
    return result;
}

int AfxMessageBox(const CString& text)
{
    return MessageBox(nullptr, text, CString(), Icon::Exclamation);
}

}  // namespace ui
