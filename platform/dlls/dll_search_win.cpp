#include "platform/dlls/dll_search.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace dlls {

void LoadFromSystemFolderOnly()
{
    // Looked up, not imported: Windows 7 has it only with an update, and the program must
    // still start there.
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    const FARPROC found =
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    const auto setDirectories =
        reinterpret_cast<SetDirectories>(reinterpret_cast<void (*)()>(found));
    if (setDirectories != nullptr && setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE) return;
    // Without it: never the current folder, and the delay-loaded DLLs loaded now from the
    // system folder, so that their first call finds them loaded instead of searching.
    SetDllDirectoryW(L"");
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    for (const wchar_t* dll : {L"\\iphlpapi.dll", L"\\mpr.dll"})
        LoadLibraryW((std::wstring(folder, length) + dll).c_str());
}

}  // namespace dlls
