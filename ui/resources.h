// Where the framework finds dialog templates, strings and images. The framework has none of its
// own: the program hands in its resource module at start-up, tests hand in their own.
#pragma once

#include <vector>

#include "ui/dialog_template.h"
#include "ui/types.h"

namespace ui {

class ResourceProvider {
public:
    virtual ~ResourceProvider() = default;
    virtual const DialogTemplate* FindTemplate(int id) const = 0;  // null when unknown
    virtual CString LoadString(int id) const = 0;                  // empty when unknown
    virtual IconHandle LoadIcon(int id) const = 0;                 // null when unknown
    virtual BitmapHandle LoadBitmap(int id) const = 0;             // null when unknown
};

// Installs `provider` (not owned: it must outlive every dialog); null removes it. Returns the
// one installed before.
const ResourceProvider* SetResourceProvider(const ResourceProvider* provider);

// Lookups through the installed provider; without one, nothing is found.
const DialogTemplate* FindTemplate(int id);
CString LoadString(int id);
IconHandle LoadIcon(int id);
BitmapHandle LoadBitmap(int id);

// Images into the installed backend's handles (null without a backend): an icon from its
// sizes, a bitmap from its one picture.
IconHandle MakeIcon(const std::vector<Image>& sizes);
BitmapHandle MakeBitmap(const Image& image);

}  // namespace ui
