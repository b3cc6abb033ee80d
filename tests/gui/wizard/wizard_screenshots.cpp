// Saves pictures of the verification dialog and of each wizard page, filled from a fake
// adapter, as PNG files in the folder given as the first argument. Not a test: a way to look
// at the layouts (run it under Xvfb, or with QT_QPA_PLATFORM=offscreen).
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "res/resources.h"
#include "ui/cdialog.h"
#include "ui/qt/qt_backend.h"
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

// The window with a pop-up over it (an open combo box list), each grabbed by itself and put
// where it is on the screen, so that it works on any platform, offscreen included.
bool SaveWithPopup(QWidget* w, QWidget* popup, const QDir& dir, const char* name)
{
    QApplication::processEvents();
    QWidget* top = w->window();
    const QRect area = top->geometry().united(popup->geometry());
    QPixmap canvas(area.size());
    canvas.fill(Qt::darkGray);
    QPainter painter(&canvas);
    painter.drawPixmap(top->geometry().topLeft() - area.topLeft(), top->grab());
    painter.drawPixmap(popup->geometry().topLeft() - area.topLeft(), popup->grab());
    painter.end();
    const QString path = dir.filePath(QString::fromLatin1(name));
    const bool ok = canvas.save(path);
    std::printf("%s %s\n", ok ? "saved" : "could not save", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    res::InstallResources();
    ui::qt::SetupApplicationLook();
    const auto uiSystem = ui::qt::AttachSystem();
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    QDir().mkpath(dir.path());
    MessageRecorder quiet;

    sockets::FakeNetwork net;
    sockets::FakeSocketApi api(net);
    sockets::FakeAdapter& adapter = net.AddAdapter(kMac);
    adapter.description = "Office storage 2";
    adapter.ipMode = 1;
    adapter.passwordRequired = 1;
    adapter.timezone = 4;  // the longest entry, with its "&"
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
        auto* zone =
            qobject_cast<QComboBox*>(ui::qt::Widget(setup.system.GetDlgItem(IDC_TIMEZONE)));
        zone->showPopup();
        ok = SaveWithPopup(ui::qt::Widget(wiz.GetSafeHwnd()), zone->view()->window(), dir,
                           "wizard-timezone-list.png") &&
             ok;
        zone->hidePopup();
        wiz.OnSkip();
        ok = Save(ui::qt::Widget(wiz.GetSafeHwnd()), dir, "wizard-network.png") && ok;
        wiz.OnSkip();
        ok = Save(ui::qt::Widget(wiz.GetSafeHwnd()), dir, "wizard-finish.png") && ok;
    });
    return ok ? 0 : 1;
}
