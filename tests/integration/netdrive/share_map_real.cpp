// The share mapping dialog over the real Linux backend: Map through the dialog mounts the
// guest share on Z: via GVfs, the row appears, a second dialog finds it at opening, and
// Unmap all takes it down again. Saves share-map-real.png to $DRAVMOOR_SHOT_DIR when set.
//   share_map_real SERVER USER PASSWORD EXPECTED_TEXT
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "platform/netdrive/netdrive.h"
#include "res/resource.h"
#include "res/resources.h"
#include "sharemap/share_map_dlg.h"
#include "tests/support/gui_support.h"
#include "ui/cdialog.h"

namespace {

int g_failures = 0;

void Check(bool ok, const char* what)
{
    if (!ok) {
        ++g_failures;
        std::fprintf(stderr, "FAIL: %s\n", what);
    }
}

void Run(ui::CDialog& dlg, const std::function<void()>& driver)
{
    gui_test::RunModal(dlg, driver);
}

using gui_test::Button;

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s SERVER USER PASSWORD EXPECTED_TEXT\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    ui::qt::SetupApplicationLook();
    const auto uiSystem = ui::qt::AttachSystem();
    res::InstallResources();
    std::vector<QString> messages;
    ui::SetMessageBoxHandler([&](const ui::MessageBoxRequest& r) {
        messages.push_back(ui::qt::ToQString(r.text));
        return IDOK;
    });

    auto drives = netdrive::CreateSystemNetDrive();
    protocol::DeviceInfo device;
    std::strncpy(device.ipAddress.data(), argv[1], device.ipAddress.size() - 1);
    device.shares.emplace();
    for (const char* name : {"public", "box"}) {
        protocol::ShareEntry e;
        std::memcpy(e.bytes.data(), name, std::strlen(name));
        device.shares->push_back(e);
    }
    const QString expectedRow =
        QStringLiteral("\\\\%1\\public").arg(QString::fromLocal8Bit(argv[1]));

    {
        sharemap::CShareMapDlg dlg(*drives);
        dlg.SetDevice(&device);
        Run(dlg, [&] {
            ui::CListCtrl list;
            list.SubclassDlgItem(IDC_MAPPED_LIST, &dlg);
            auto* share = qobject_cast<QComboBox*>(ui::qt::Widget(dlg.GetDlgItem(IDC_SHARE_COMBO)));
            auto* drive = qobject_cast<QComboBox*>(ui::qt::Widget(dlg.GetDlgItem(IDC_DRIVE_COMBO)));
            Check(drive->count() == 26, "all 26 letters free at first");
            share->setCurrentIndex(0);
            drive->setCurrentIndex(0);  // Z:
            Button(dlg, IDC_MAP)->click();
            Check(messages.empty(), "Map reported no failure");
            Check(list.GetItemCount() == 1 &&
                      ui::qt::ToQString(list.GetItemText(0, 0)) == expectedRow &&
                      list.GetItemText(0, 1) == "Z:",
                  "the new row lists the share on Z:");
            Check(drive->itemText(0) == QStringLiteral("Z:  ") + expectedRow,
                  "Z: is offered as a network drive now");
            if (const char* shots = std::getenv("DRAVMOOR_SHOT_DIR")) {
                QApplication::processEvents();
                const QDir dir(QString::fromLocal8Bit(shots));
                QDir().mkpath(dir.path());
                const QString path = dir.filePath(QStringLiteral("share-map-real.png"));
                Check(ui::qt::Widget(dlg.GetSafeHwnd())->window()->grab().save(path),
                      "picture saved");
            }
        });
    }
    Check(drives->IsRemote("Z:"), "the connection outlives the dialog");

    {
        sharemap::CShareMapDlg dlg(*drives);
        dlg.SetDevice(&device);
        Run(dlg, [&] {
            ui::CListCtrl list;
            list.SubclassDlgItem(IDC_MAPPED_LIST, &dlg);
            Check(list.GetItemCount() == 1 &&
                      ui::qt::ToQString(list.GetItemText(0, 0)) == expectedRow,
                  "a new dialog finds the connection at opening");
            Button(dlg, IDC_UNMAP_ALL)->click();
            Check(list.GetItemCount() == 0, "Unmap all removed the row");
        });
    }
    Check(messages.empty(), "no message box at all");
    Check(drives->DrivesInUse() == 0, "no letter left in use");

    if (g_failures != 0) return 1;
    std::printf(
        "PASS share mapping dialog over GVfs: Map put %s on Z:, a second dialog listed "
        "it, Unmap all took it down\n",
        qPrintable(expectedRow));
    return 0;
}
