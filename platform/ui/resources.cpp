#include "platform/ui/resources.h"

namespace ui {

namespace {
const ResourceProvider*& Installed()
{
    static const ResourceProvider* provider = nullptr;
    return provider;
}
}  // namespace

const ResourceProvider* SetResourceProvider(const ResourceProvider* provider)
{
    const ResourceProvider* previous = Installed();
    Installed() = provider;
    return previous;
}

const DialogTemplate* FindTemplate(int id)
{
    return Installed() != nullptr ? Installed()->FindTemplate(id) : nullptr;
}

QString LoadString(int id)
{
    return Installed() != nullptr ? Installed()->LoadString(id) : QString();
}

QIcon LoadIcon(int id)
{
    return Installed() != nullptr ? Installed()->LoadIcon(id) : QIcon();
}

QPixmap LoadBitmap(int id)
{
    return Installed() != nullptr ? Installed()->LoadBitmap(id) : QPixmap();
}

}  // namespace ui
