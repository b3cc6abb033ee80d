// windows.h (and commctrl.h) map some names to their A/W functions (or their values) by macro. In
// the framework they are its own members and functions, so a file that included windows.h first
// must still reach ours: every framework header that declares one of them includes this first.
#pragma once

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
