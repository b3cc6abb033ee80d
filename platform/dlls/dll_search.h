// Where the programs' DLLs come from. Windows looks for a DLL that is not one of its KnownDLLs
// (IPHLPAPI.DLL and MPR.dll are not) beside the executable first, so a portable copy run from a
// Downloads folder would load whatever DLL of that name lies there. The programs link those two
// delay-loaded (cmake/DelayLoad.cmake) and call this first thing, before anything can load them.
#pragma once

namespace dlls {

// Windows: from here on, DLLs that the program loads come from the system folder only. Other
// systems: nothing to do.
void LoadFromSystemFolderOnly();

}  // namespace dlls
