// A stand-in IPHLPAPI.DLL, as someone might leave one in a Downloads folder beside a portable
// copy of the program: loaded, it leaves a file named planted-dll-loaded in the current folder.
#include <windows.h>

#include <cstdio>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        if (std::FILE* f = std::fopen("planted-dll-loaded", "w")) std::fclose(f);
    }
    return TRUE;
}

// What the program calls; nothing to report.
extern "C" __declspec(dllexport) ULONG WINAPI
    GetAdaptersAddresses(ULONG, ULONG, void*, void*, ULONG*)
{
    return ERROR_NO_DATA;
}
