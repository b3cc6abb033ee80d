// windows.h (and commctrl.h) map some names to their A/W functions (or their values) by macro. In
// the framework they are its own members and functions, so a file that includes windows.h and
// the framework's headers (the native backend, its tests) includes this after windows.h.
// Included again after each further Windows header, so no #pragma once.

#ifdef _WIN32
#undef GetWindowText
#undef LoadBitmap
#undef LVS_EX_FULLROWSELECT
#undef LoadIcon
#undef LoadString
#undef MessageBox
#undef SC_CLOSE
#undef SC_MINIMIZE
#undef SetWindowText
#endif
