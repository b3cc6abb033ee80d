#include "ui/resources.h"

#include "ui/driver.h"

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

CString LoadString(int id)
{
    return Installed() != nullptr ? Installed()->LoadString(id) : CString();
}

IconHandle LoadIcon(int id)
{
    return Installed() != nullptr ? Installed()->LoadIcon(id) : IconHandle();
}

BitmapHandle LoadBitmap(int id)
{
    return Installed() != nullptr ? Installed()->LoadBitmap(id) : BitmapHandle();
}

IconHandle MakeIcon(const std::vector<Image>& sizes)
{
    Backend* backend = CurrentBackend();
    return backend != nullptr ? backend->MakeIcon(sizes) : IconHandle();
}

BitmapHandle MakeBitmap(const Image& image)
{
    Backend* backend = CurrentBackend();
    return backend != nullptr ? backend->MakeBitmap(image) : BitmapHandle();
}

}  // namespace ui
