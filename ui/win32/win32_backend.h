// The native Windows backend of the dialog framework: each template becomes an in-memory
// dialog template (template_builder.h) that the dialog manager creates with the common
// controls; the framework's own dialog manager keeps the keys (the message loop hands them to
// it before any control sees them), so both backends follow the same rules.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "ui/win32/windows_names.h"

#include <string>
#include <string_view>

#include "ui/driver.h"

namespace ui::win32 {

// The window behind a native window handle this backend made (null for none).
inline HWND Hwnd(NativeWindow window)
{
    return static_cast<HWND>(window.get());
}

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// The icon's native handle at `size` pixels (null when the handle holds none).
HICON NativeIcon(const IconHandle& icon, int size);
HBITMAP NativeBitmap(const BitmapHandle& bitmap);

// Runs what the message queue holds through the framework's key handling, as the modal loop
// does; returns when the queue is empty (tests drive windows with it).
void PumpMessages();
// One message through the framework's key handling; true when a dialog took it.
bool PreTranslate(const MSG& msg);

}  // namespace ui::win32
