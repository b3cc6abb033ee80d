// The windowing system the program's dialogs run on: started once by main() through
// CreateSystemUi, as the sockets and drives have their CreateSystem... functions. This is the
// one way a backend comes into use: while a system lives, every dialog runs on its backend (the
// newest system's, when tests start one inside another); with none, dialogs do not open.
#pragma once

#include <memory>
#include <string_view>

namespace ui {

class Backend;

class UiSystem {
public:
    virtual ~UiSystem();
    UiSystem(const UiSystem&) = delete;
    UiSystem& operator=(const UiSystem&) = delete;
    // Whether the templates' dialog font resolved to the family the layouts were drawn with.
    virtual bool LookAsIntended() const = 0;

protected:
    explicit UiSystem(Backend& backend);

private:
    Backend* m_previous;
};

// `programPath` (argv[0]) is all the windowing system learns of the command line, so options of
// its own there change nothing. `desktopId` names the installed desktop entry, which Wayland
// compositors take the window's icon and name from (empty: none).
std::unique_ptr<UiSystem> CreateSystemUi(const char* programPath, std::string_view desktopId);

}  // namespace ui
