// Saves pictures of the verification dialog and of each wizard page, filled from a fake
// adapter, as PNG files in the folder given as the first argument. Not a test: a way to look
// at the layouts (run it under Xvfb, or with QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "platform/ui/cdialog.h"
#include "platform/ui/qt/qt_backend.h"
#include "res/resources.h"
#include "verify/verify_dlg.h"
#include "wizard/launch_wizard.h"
#include "wizard_gui_support.h"

using namespace wizard_test;

namespace {

bool Save(QWidget* w, const QDir& dir, const char* name)
{
    QApplication::processEvents();
    const QString path = dir.filePath(QString::fromLatin1(name));
    const bool ok = w->window()->grab().save(path);
    std::printf("%s %s\n", ok ? "saved" : "could not save", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    res::InstallResources();
    ui::qt::SetupApplicationLook();
    ui::qt::InstallBackend();
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    QDir().mkpath(dir.path());
    MessageRecorder quiet;

    sockets::FakeNetwork net;
    sockets::FakeSocketApi api(net);
    sockets::FakeAdapter& adapter = net.AddAdapter(kMac);
    adapter.description = "Office storage 2";
    adapter.ipMode = 1;
    adapter.passwordRequired = 1;
    protocol::DeviceInfo device = MakeDevice(adapter);
    bool ok = true;

    verify::CVerifyDlg verify(api);
    verify.SetDevice(&device);
    RunModal(verify, [&] {
        qobject_cast<QLineEdit*>(ui::qt::Widget(verify.GetDlgItem(IDC_VERIFY_NAME)))
            ->setText(QStringLiteral("admin"));
        qobject_cast<QLineEdit*>(ui::qt::Widget(verify.GetDlgItem(IDC_VERIFY_PASSWORD)))
            ->setText(QStringLiteral("admin"));
        ok = Save(ui::qt::Widget(verify.GetSafeHwnd()), dir, "verify.png") && ok;
    });

    wizard::SetupWizard setup(api, device);
    wizard::CWizardDlg& wiz = setup.frame;
    RunModal(wiz, [&] {
        ok = Save(ui::qt::Widget(wiz.GetSafeHwnd()), dir, "wizard-system.png") && ok;
        wiz.OnSkip();
        ok = Save(ui::qt::Widget(wiz.GetSafeHwnd()), dir, "wizard-network.png") && ok;
        wiz.OnSkip();
        ok = Save(ui::qt::Widget(wiz.GetSafeHwnd()), dir, "wizard-finish.png") && ok;
    });
    return ok ? 0 : 1;
}
