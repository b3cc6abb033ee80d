// The accessible tree of every window: the main window (no adapter on a fake network, so
// nothing is sent anywhere), the About box, verification, the wizard and its three pages, and
// share mapping. Prints each window's tree (role, name) as a screen reader gets it from Qt and
// fails when an interactive control has no name.
//   a11y_tree            walk each window, print, exit 1 on a nameless control
//   a11y_tree --hold S   also keep all windows open for S seconds (for an AT-SPI dump)
#include <QAccessible>
#include <QApplication>
#include <QEventLoop>
#include <QMetaEnum>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_dlg.h"
#include "platform/netdrive/fake_netdrive.h"
#include "platform/shell/recording_url_opener.h"
#include "platform/sockets/fake_sockets.h"
#include "res/resource.h"
#include "res/resources.h"
#include "tests/support/gui_support.h"
#include "ui/cdialog.h"
#include "ui/qt/qt_backend.h"

namespace {

bool Interactive(QAccessible::Role role)
{
    switch (role) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::EditableText:
        case QAccessible::ComboBox:
        case QAccessible::SpinBox:
        case QAccessible::List:
        case QAccessible::Table:
        case QAccessible::Tree:
            return true;
        default:
            return false;
    }
}

// Items of lists and tables are named by their own texts; their controls are what counts here.
bool HasItems(QAccessible::Role role)
{
    return role == QAccessible::List || role == QAccessible::Table || role == QAccessible::Tree ||
           role == QAccessible::ComboBox;
}

int Walk(QAccessibleInterface* iface, int depth)
{
    if (iface == nullptr) return 0;
    const QAccessible::Role role = iface->role();
    const QString name = iface->text(QAccessible::Name);
    const char* roleName = QMetaEnum::fromType<QAccessible::Role>().valueToKey(role);
    int nameless = 0;
    const bool fails = Interactive(role) && name.trimmed().isEmpty();
    if (fails) ++nameless;
    QString line =
        QString(depth * 2, QLatin1Char(' ')) + QString::fromLatin1(roleName ? roleName : "?");
    line += QStringLiteral(" \"%1\"").arg(name);
    if (HasItems(role)) {
        if (QAccessibleTableInterface* t = iface->tableInterface()) {
            QStringList headers;
            for (int c = 0; c < t->columnCount(); ++c) headers << t->columnDescription(c);
            line += QStringLiteral(" columns [%1]").arg(headers.join(QStringLiteral(", ")));
        }
        line += QStringLiteral(" (%1 children)").arg(iface->childCount());
    }
    if (role == QAccessible::SpinBox) {
        QAccessibleTextInterface* text = iface->textInterface();
        line += QStringLiteral(" value \"%1\" text \"%2\"")
                    .arg(iface->text(QAccessible::Value),
                         text != nullptr ? text->text(0, text->characterCount()) : QString());
    }
    if (fails) line += QStringLiteral("   <-- no name");
    std::printf("%s\n", qPrintable(line));
    if (!HasItems(role))
        for (int i = 0; i < iface->childCount(); ++i) nameless += Walk(iface->child(i), depth + 1);
    return nameless;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    res::InstallResources();
    ui::qt::SetupApplicationLook();
    const auto uiSystem = ui::qt::AttachSystem();
    int holdSeconds = 0;
    if (argc > 2 && QByteArray(argv[1]) == "--hold") holdSeconds = QByteArray(argv[2]).toInt();

    gui_test::MessageRecorder boxes;
    sockets::FakeNetwork net;
    sockets::FakeSocketApi api(net);
    netdrive::FakeNetDrive drives;
    shell::RecordingUrlOpener urls;
    app::Services services{api, drives, urls};

    std::vector<std::unique_ptr<ui::CDialog>> dialogs;
    dialogs.push_back(std::make_unique<app::CMainDlg>(services));
    for (int id : {IDD_ABOUTBOX, IDD_VERIFY, IDD_WIZARD, IDD_PAGE_SYSTEM, IDD_PAGE_NETWORK,
                   IDD_PAGE_FINISH, IDD_SHARE_MAP})
        dialogs.push_back(std::make_unique<ui::CDialog>(id));

    // Each window opens over the one before, so with --hold all of them are up at once.
    int nameless = 0;
    std::function<void(std::size_t)> open = [&](std::size_t i) {
        if (i == dialogs.size()) {
            if (holdSeconds > 0) {
                std::fflush(stdout);
                QEventLoop wait;
                QTimer::singleShot(holdSeconds * 1000, &wait, &QEventLoop::quit);
                wait.exec();
            }
            return;
        }
        ui::CDialog& dlg = *dialogs[i];
        gui_test::RunModal(dlg, [&, i] {
            nameless +=
                Walk(QAccessible::queryAccessibleInterface(ui::qt::Widget(dlg.GetSafeHwnd())), 0);
            std::printf("\n");
            open(i + 1);
        });
    };
    open(0);
    if (nameless > 0)
        std::fprintf(stderr, "a11y_tree: %d interactive control(s) without a name\n", nameless);
    return nameless > 0 ? 1 : 0;
}
