// The windowing system the program's dialogs run on: started once by main() through
// CreateSystemUi, as the sockets and drives have their CreateSystem... functions. Starting it
// also installs its backend into the dialog framework; it ends with the returned object.
#pragma once

#include <memory>
#include <string_view>

namespace ui {

class UiSystem {
public:
    virtual ~UiSystem() = default;
    // Whether the templates' dialog font resolved to the family the layouts were drawn with.
    virtual bool LookAsIntended() const = 0;
};

// `programPath` (argv[0]) is all the windowing system learns of the command line, so options of
// its own there change nothing. `desktopId` names the installed desktop entry, which Wayland
// compositors take the window's icon and name from (empty: none).
std::unique_ptr<UiSystem> CreateSystemUi(const char* programPath, std::string_view desktopId);

}  // namespace ui
