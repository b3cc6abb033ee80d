#include "res/resources.h"

#include <vector>

#include "res/images.h"
#include "res/resource.h"
#include "ui/resources.h"

namespace res {

namespace {
class Provider final : public ui::ResourceProvider {
public:
    const ui::DialogTemplate* FindTemplate(int id) const override { return res::FindTemplate(id); }
    ui::CString LoadString(int id) const override { return res::LoadString(id); }
    ui::IconHandle LoadIcon(int id) const override { return res::LoadIcon(id); }
    ui::BitmapHandle LoadBitmap(int id) const override { return res::LoadBitmap(id); }
};
}  // namespace

// Drawn once, at first use: the backend's handles are kept from then on.
ui::IconHandle LoadIcon(int id)
{
    if (id != IDR_MAINFRAME) return {};
    static ui::IconHandle icon;
    if (icon.IsNull()) {
        std::vector<ui::Image> sizes;
        for (int size : {16, 24, 32, 48, 64, 128}) sizes.push_back(DrawProgramIcon(size));
        if (sizes.front().width > 0) icon = ui::MakeIcon(sizes);
    }
    return icon;
}

ui::BitmapHandle LoadBitmap(int id)
{
    if (id != IDB_WIZARD) return {};
    static ui::BitmapHandle bitmap;
    if (bitmap.IsNull()) {
        const ui::Image picture = DrawWizardBitmap();
        if (picture.width > 0) bitmap = ui::MakeBitmap(picture);
    }
    return bitmap;
}

void InstallResources()
{
    static const Provider provider;
    ui::SetResourceProvider(&provider);
}

}  // namespace res
