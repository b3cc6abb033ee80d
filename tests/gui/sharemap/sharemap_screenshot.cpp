// Saves a picture of the share mapping dialog with one mapped share listed, over the fake drive
// table, as share-map.png in the folder given as the first argument. Not a test: a way to look
// at the layout (run it under Xvfb, or with QT_QPA_PLATFORM=offscreen).
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "platform/netdrive/fake_netdrive.h"
#include "res/resource.h"
#include "res/resources.h"
#include "sharemap/share_map_dlg.h"
#include "ui/cdialog.h"
#include "ui/qt/qt_backend.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    res::InstallResources();
    ui::qt::SetupApplicationLook();
    const auto uiSystem = ui::qt::AttachSystem();
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    QDir().mkpath(dir.path());

    netdrive::FakeNetDrive drives;
    drives.AddLocalDrives('A', 'D');
    drives.AddConnection('Z', "\\\\192.0.2.2\\public");
    drives.AddConnection('P', "\\\\192.0.2.9\\other");  // another host: offered, not listed

    protocol::DeviceInfo device;
    std::memcpy(device.ipAddress.data(), "192.0.2.2", 9);
    device.shares.emplace();
    for (const char* name : {"public", "box"}) {
        protocol::ShareEntry e;
        std::memcpy(e.bytes.data(), name, std::strlen(name));
        device.shares->push_back(e);
    }

    sharemap::CShareMapDlg dlg(drives);
    dlg.SetDevice(&device);
    bool ok = false;
    QTimer::singleShot(0, [&] {
        qobject_cast<QLineEdit*>(ui::qt::Widget(dlg.GetDlgItem(IDC_MAP_USER)))
            ->setText(QStringLiteral("guest"));
        qobject_cast<QComboBox*>(ui::qt::Widget(dlg.GetDlgItem(IDC_SHARE_COMBO)))
            ->setCurrentIndex(1);
        qobject_cast<QComboBox*>(ui::qt::Widget(dlg.GetDlgItem(IDC_DRIVE_COMBO)))
            ->setCurrentIndex(1);
        QApplication::processEvents();
        const QString path = dir.filePath(QStringLiteral("share-map.png"));
        ok = ui::qt::Widget(dlg.GetSafeHwnd())->window()->grab().save(path);
        std::printf("%s %s\n", ok ? "saved" : "could not save", qPrintable(path));
        dlg.EndDialog(IDCANCEL);
    });
    dlg.DoModal();
    return ok ? 0 : 1;
}
