// Pictures of every template as the framework builds it, for a look at the layouts
// (not run by CTest):  dialog_screenshots OUTDIR
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>

#include "res/resource.h"
#include "res/resources.h"
#include "ui/cdialog.h"
#include "ui/qt/qt_backend.h"

namespace {
class Shot : public ui::CDialog {
public:
    Shot(int id, QString path) : ui::CDialog(id), m_path(std::move(path)) {}

protected:
    bool OnInitDialog() override
    {
        ui::CDialog::OnInitDialog();
        QTimer::singleShot(50, [this] {
            ui::qt::Widget(GetSafeHwnd())->grab().save(m_path);
            EndDialog(IDOK);
        });
        return true;
    }

private:
    QString m_path;
};
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    res::InstallResources();
    ui::qt::SetupApplicationLook();
    const auto uiSystem = ui::qt::AttachSystem();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const std::pair<int, const char*> dialogs[] = {{IDD_MAIN, "main"},
                                                   {IDD_ABOUTBOX, "about"},
                                                   {IDD_VERIFY, "verify"},
                                                   {IDD_WIZARD, "wizard"},
                                                   {IDD_PAGE_SYSTEM, "page-system"},
                                                   {IDD_PAGE_NETWORK, "page-network"},
                                                   {IDD_PAGE_FINISH, "page-finish"},
                                                   {IDD_SHARE_MAP, "share-map"}};
    for (const auto& [id, name] : dialogs) {
        Shot shot(id, out + QStringLiteral("/%1.png").arg(QString::fromLatin1(name)));
        shot.DoModal();
    }
    ui::qt::ToQIcon(ui::LoadIcon(IDR_MAINFRAME))
        .pixmap(64, 64)
        .save(out + QStringLiteral("/icon64.png"));
    ui::qt::ToQIcon(ui::LoadIcon(IDR_MAINFRAME))
        .pixmap(16, 16)
        .save(out + QStringLiteral("/icon16.png"));
    return 0;
}
