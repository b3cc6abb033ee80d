// Command ids the framework itself issues (Enter, Escape, the close box) and that modal runs
// return. The values are the original platform's, so they may already be defined there.
#pragma once

#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif
