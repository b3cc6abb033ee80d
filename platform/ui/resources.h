// Where the framework finds dialog templates, strings and images. The framework has none of its
// own: the program hands in its resource module at start-up, tests hand in their own.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

#include "platform/ui/dialog_template.h"
#include "platform/ui/windows_names.h"

namespace ui {

class ResourceProvider {
public:
    virtual ~ResourceProvider() = default;
    virtual const DialogTemplate* FindTemplate(int id) const = 0;  // null when unknown
    virtual QString LoadString(int id) const = 0;                  // empty when unknown
    virtual QIcon LoadIcon(int id) const = 0;                      // null when unknown
    virtual QPixmap LoadBitmap(int id) const = 0;                  // null when unknown
};

// Installs `provider` (not owned: it must outlive every dialog); null removes it. Returns the
// one installed before.
const ResourceProvider* SetResourceProvider(const ResourceProvider* provider);

// Lookups through the installed provider; without one, nothing is found.
const DialogTemplate* FindTemplate(int id);
QString LoadString(int id);
QIcon LoadIcon(int id);
QPixmap LoadBitmap(int id);

}  // namespace ui
