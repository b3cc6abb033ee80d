#include "res/resources.h"

#include "platform/ui/resources.h"

namespace res {

namespace {
class Provider final : public ui::ResourceProvider {
public:
    const ui::DialogTemplate* FindTemplate(int id) const override { return res::FindTemplate(id); }
    QString LoadString(int id) const override { return res::LoadString(id); }
    QIcon LoadIcon(int id) const override { return res::LoadIcon(id); }
    QPixmap LoadBitmap(int id) const override { return res::LoadBitmap(id); }
};
}  // namespace

void InstallResources()
{
    static const Provider provider;
    ui::SetResourceProvider(&provider);
}

}  // namespace res
