#include "platform/dlls/dll_search.h"

namespace dlls {

// The dynamic loader takes libraries from the system's paths, never the program's folder.
void LoadFromSystemFolderOnly() {}

}  // namespace dlls
