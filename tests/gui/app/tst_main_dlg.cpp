// The main window over the fake network: start-up, button states, panel and disk texts, the
// time-out refresh, web access, the system menu's About item, the keyboard rules and the
// sockets-failure start-up.
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/main_dlg.h"
#include "app/quick_setup_app.h"
#include "app/waiting_sockets.h"
#include "platform/netdrive/fake_netdrive.h"
#include "platform/shell/recording_url_opener.h"
#include "platform/sockets/fake_sockets.h"
#include "protocol/wire.h"
#include "res/resource.h"
#include "res/resources.h"
#include "tests/support/gui_support.h"
#include "ui/busy_wait.h"
#include "ui/cdialog.h"
#include "ui/qt/test_probe.h"

namespace {

using gui_test::MessageRecorder;
using gui_test::RunModal;
// How a test ends the main window.
enum class Ending { ReturnInList, EscapeInList, CloseBox, Quit };
namespace probe = ui::qt::probe;
using sockets::FakeAdapter;

// Closes the next modal window that opens (the About box) and counts it.
void CloseNextModal(int* count, QString* title)
{
    QTimer::singleShot(0, [count, title] {
        QWidget* w = QApplication::activeModalWidget();
        if (w == nullptr) return;
        ++*count;
        if (title) *title = w->windowTitle();
        QTest::keyClick(w, Qt::Key_Escape);
    });
}

}  // namespace

class MainDlgTest : public QObject {
    Q_OBJECT

    std::unique_ptr<sockets::FakeNetwork> m_net;
    std::unique_ptr<sockets::FakeSocketApi> m_api;
    netdrive::FakeNetDrive m_drives;
    shell::RecordingUrlOpener m_urls;

    FakeAdapter& Add(std::uint8_t last, const std::string& name)
    {
        FakeAdapter& a = m_net->AddAdapter({0x02, 0xAB, 0xCD, 0xEF, 0x00, last});
        a.name = name;
        a.firmware = "1203";
        a.description = "Office " + name;
        a.ipAddress = "192.0.2." + std::to_string(10 + last);
        a.addresses[0] = a.ipAddress;
        a.shares = {"music", "photos"};
        a.disks = {{"music", "sda1", "NTFS", 953, 37}, {"photos", "sdb1", "ext3", 15000, 5}};
        return a;
    }

    app::Services Services() { return app::Services{*m_api, m_drives, m_urls}; }

    static QListWidget* List(app::CMainDlg& d)
    {
        return qobject_cast<QListWidget*>(ui::qt::Widget(d.GetDlgItem(IDC_DEVICE_LIST)));
    }

    // Selects a row as the user does: a click on it.
    static void ClickRow(app::CMainDlg& d, int row)
    {
        QListWidget* list = List(d);
        const QRect r = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    }

    static bool DeviceCommandsEnabled(app::CMainDlg& d)
    {
        return d.m_webButton.IsWindowEnabled() && d.m_wizardButton.IsWindowEnabled() &&
               d.m_shareMappingButton.IsWindowEnabled();
    }
    static bool DeviceCommandsDisabled(app::CMainDlg& d)
    {
        return !d.m_webButton.IsWindowEnabled() && !d.m_wizardButton.IsWindowEnabled() &&
               !d.m_shareMappingButton.IsWindowEnabled();
    }
    static bool PanelEmpty(app::CMainDlg& d)
    {
        return d.m_firmware.GetWindowText().IsEmpty() && d.m_ipAddress.GetWindowText().IsEmpty() &&
               d.m_mac.GetWindowText().IsEmpty() && d.m_description.GetWindowText().IsEmpty() &&
               d.m_ipStatus.GetWindowText().IsEmpty() && d.m_diskList.GetItemCount() == 0;
    }

private slots:
    void init()
    {
        m_api.reset();  // the host detaches from its network: drop it before the network
        m_net = std::make_unique<sockets::FakeNetwork>();
        m_api = std::make_unique<sockets::FakeSocketApi>(*m_net);
        m_urls.opened.clear();
    }

    void cleanup()
    {
        QVERIFY2(QApplication::topLevelWidgets().size() == 0 ||
                     std::none_of(QApplication::topLevelWidgets().begin(),
                                  QApplication::topLevelWidgets().end(),
                                  [](QWidget* w) { return w->isVisible(); }),
                 "a window was left open");
        QVERIFY(m_api->Balanced());
    }

    void startUpShowsTheDiscoveredDevicesWithOnlyRefreshAboutQuit()
    {
        Add(1, "NAS-One");
        Add(2, "NAS-Two");
        Add(3, "NAS-Three");
        MessageRecorder rec;
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            QCOMPARE(ui::qt::Widget(dlg.GetSafeHwnd())->windowTitle(),
                     QStringLiteral("Quick setup wizard for Dravmoor"));
            QCOMPARE(dlg.m_deviceList.GetCount(), 3);
            QCOMPARE(dlg.m_deviceList.GetText(0), QStringLiteral("NAS-One"));
            QCOMPARE(dlg.m_deviceList.GetText(2), QStringLiteral("NAS-Three"));
            QCOMPARE(dlg.Devices().GetSize(), std::size_t{3});
            QCOMPARE(dlg.m_deviceList.GetCurSel(), -1);
            QVERIFY(dlg.m_refreshButton.IsWindowEnabled());
            QVERIFY(dlg.m_aboutButton.IsWindowEnabled());
            QVERIFY(dlg.m_quitButton.IsWindowEnabled());
            QVERIFY(DeviceCommandsDisabled(dlg));
            QVERIFY(PanelEmpty(dlg));
            // The disk list's five columns, in pixels.
            const QStringList headings{QStringLiteral("Share Name"), QStringLiteral("Device Id"),
                                       QStringLiteral("FS Type"), QStringLiteral("Total Size(MB)"),
                                       QStringLiteral("Free Space")};
            const int widths[] = {110, 70, 70, 100, 72};
            QWidget* disks = ui::qt::Widget(dlg.m_diskList.GetSafeHwnd());
            QCOMPARE(probe::ColumnCount(disks), 5);
            for (int c = 0; c < 5; ++c) {
                QCOMPARE(probe::ColumnHeading(disks, c), headings[c]);
                QCOMPARE(probe::ColumnWidth(disks, c), widths[c]);
            }
            QCOMPARE(probe::ExtendedStyle(disks), ui::CListCtrl::LVS_EX_FULLROWSELECT);
            // The About item follows a separator at the end of the system menu.
            const auto& menu = dlg.SystemMenuItems();
            QCOMPARE(menu.size(), std::size_t{2});
            QCOMPARE(menu[0].first, 0u);
            QCOMPARE(menu[1].first, unsigned{IDM_ABOUTBOX});
            QCOMPARE(menu[1].second, QStringLiteral("关于 tarpin(&A)..."));
            QVERIFY(!ui::qt::Widget(dlg.GetSafeHwnd())->windowIcon().isNull());
            // The first tab stop, the device list, has the focus.
            QCOMPARE(ui::qt::Widget(dlg.GetSafeHwnd())->focusWidget(),
                     ui::qt::Widget(dlg.GetDlgItem(IDC_DEVICE_LIST)));
        });
        QVERIFY(rec.Texts().isEmpty());
        QCOMPARE(m_api->RequestedVersions().front(), sockets::MakeVersion(2, 2));
    }

    void selectionFillsThePanelAndEnablesTheDeviceCommands()
    {
        Add(1, "NAS-One");
        FakeAdapter& two = Add(2, "NAS-Two");
        two.ipMode = 1;
        two.firmware = "0915";
        FakeAdapter& three = Add(3, "NAS-Three");
        three.ipMode = 2;
        MessageRecorder rec;
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            ClickRow(dlg, 0);
            QCOMPARE(dlg.m_deviceList.GetCurSel(), 0);
            QCOMPARE(dlg.m_firmware.GetWindowText(), QStringLiteral("V12R03"));
            QCOMPARE(dlg.m_mac.GetWindowText(), QStringLiteral("02:ab:cd:ef:00:01"));
            QCOMPARE(dlg.m_ipAddress.GetWindowText(), QStringLiteral("192.0.2.11"));
            QCOMPARE(dlg.m_description.GetWindowText(), QStringLiteral("Office NAS-One"));
            QCOMPARE(dlg.m_ipStatus.GetWindowText(), QStringLiteral("Static ip"));
            QCOMPARE(dlg.m_diskList.GetItemCount(), 2);
            QCOMPARE(dlg.m_diskList.GetItemText(0, 0), QStringLiteral("music"));
            QCOMPARE(dlg.m_diskList.GetItemText(0, 1), QStringLiteral("sda1"));
            QCOMPARE(dlg.m_diskList.GetItemText(0, 2), QStringLiteral("NTFS"));
            QCOMPARE(dlg.m_diskList.GetItemText(0, 3), QStringLiteral("953"));
            QCOMPARE(dlg.m_diskList.GetItemText(0, 4), QStringLiteral("37%"));
            QCOMPARE(dlg.m_diskList.GetItemText(1, 3), QStringLiteral("15000"));
            QCOMPARE(dlg.m_diskList.GetItemText(1, 4), QStringLiteral("5%"));
            QVERIFY(DeviceCommandsEnabled(dlg));
            QVERIFY(dlg.m_refreshButton.IsWindowEnabled());
            QVERIFY(dlg.Devices().GetAt(0)->shares.has_value());

            ClickRow(dlg, 1);
            QCOMPARE(dlg.m_firmware.GetWindowText(), QStringLiteral("V09R15"));
            QCOMPARE(dlg.m_ipStatus.GetWindowText(), QStringLiteral("DHCP"));
            ClickRow(dlg, 2);
            QCOMPARE(dlg.m_ipStatus.GetWindowText(), QString());
            QCOMPARE(dlg.m_diskList.GetItemCount(), 2);  // replaced, not appended

            // Refresh: rows rebuilt, nothing selected, panel empty, device commands disabled.
            ui::qt::Widget(dlg.m_refreshButton.GetSafeHwnd())->setFocus();
            QTest::mouseClick(ui::qt::Widget(dlg.GetDlgItem(IDC_REFRESH)), Qt::LeftButton);
            QCOMPARE(dlg.m_deviceList.GetCount(), 3);
            QCOMPARE(dlg.m_deviceList.GetCurSel(), -1);
            QVERIFY(PanelEmpty(dlg));
            QVERIFY(DeviceCommandsDisabled(dlg));
            QVERIFY(dlg.m_refreshButton.IsWindowEnabled());
        });
        QVERIFY(rec.Texts().isEmpty());
    }

    // Nothing found: the list says why, inside itself and to a reader, without a row; the text
    // goes with the first adapter and comes back when none answers. The disk list reads as a
    // table with its column headers and cells.
    void emptyListSaysWhyAndListsReadAsTables()
    {
        MessageRecorder rec;
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            QListWidget* list = List(dlg);
            auto* hint = list->viewport()->findChild<QLabel*>(QStringLiteral("emptyText"));
            QVERIFY(hint != nullptr);
            QVERIFY(hint->isVisible());
            QVERIFY(hint->text().startsWith(QStringLiteral("Nothing found?")));
            QVERIFY(hint->text().contains(QStringLiteral("16380-16387")));
            QVERIFY(list->viewport()->rect().contains(hint->geometry()));
            QCOMPARE(dlg.m_deviceList.GetCount(), 0);
            QCOMPARE(list->count(), 0);
            QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(list);
            QCOMPARE(reader->text(QAccessible::Name), QStringLiteral("Device list"));
            QCOMPARE(reader->text(QAccessible::Description), hint->text());

            FakeAdapter& one = Add(1, "NAS-One");
            QTest::mouseClick(ui::qt::Widget(dlg.GetDlgItem(IDC_REFRESH)), Qt::LeftButton);
            QCOMPARE(dlg.m_deviceList.GetCount(), 1);
            QCOMPARE(dlg.m_deviceList.GetText(0), QStringLiteral("NAS-One"));
            QVERIFY(!hint->isVisible());
            QVERIFY(reader->text(QAccessible::Description).isEmpty());
            ClickRow(dlg, 0);
            QCOMPARE(dlg.m_mac.GetWindowText(), QStringLiteral("02:ab:cd:ef:00:01"));

            QAccessibleInterface* disks = QAccessible::queryAccessibleInterface(
                ui::qt::Widget(dlg.GetDlgItem(IDC_DISK_LIST)));
            QCOMPARE(disks->role(), QAccessible::Table);
            QCOMPARE(disks->text(QAccessible::Name), QStringLiteral("USB infomation"));
            QAccessibleTableInterface* table = disks->tableInterface();
            QVERIFY(table != nullptr);
            QCOMPARE(table->columnCount(), 5);
            QCOMPARE(table->rowCount(), 2);
            QCOMPARE(table->columnDescription(3), QStringLiteral("Total Size(MB)"));
            QCOMPARE(disks->childCount(), 15);  // a header row, then the cells
            QCOMPARE(disks->child(0)->role(), QAccessible::ColumnHeader);
            QCOMPARE(disks->child(0)->text(QAccessible::Name), QStringLiteral("Share Name"));
            QAccessibleInterface* cell = table->cellAt(1, 2);
            QCOMPARE(cell->role(), QAccessible::Cell);
            QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("ext3"));
            QCOMPARE(disks->indexOfChild(cell), (1 + 1) * 5 + 2);
            QCOMPARE(disks->child((1 + 1) * 5 + 2), cell);
            QCOMPARE(
                cell->tableCellInterface()->columnHeaderCells().value(0)->text(QAccessible::Name),
                QStringLiteral("FS Type"));

            // Its row gone, a cell a reader still holds is no other row's.
            one.silent = true;
            QTest::mouseClick(ui::qt::Widget(dlg.GetDlgItem(IDC_REFRESH)), Qt::LeftButton);
            QCOMPARE(dlg.m_deviceList.GetCount(), 0);
            QVERIFY(hint->isVisible());
            QCOMPARE(reader->text(QAccessible::Description), hint->text());
            QCOMPARE(table->rowCount(), 0);
            QVERIFY(table->cellAt(1, 2) == nullptr);
        });
        QVERIFY(rec.Texts().isEmpty());
    }

    // Ctrl+click and Ctrl+Space keep the selection; a click on the selected row queries again.
    void selectionStaysAndReselectingQueriesAgain()
    {
        FakeAdapter& one = Add(1, "NAS-One");
        MessageRecorder rec;
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            ClickRow(dlg, 0);
            QListWidget* list = List(dlg);
            const QRect row = list->visualItemRect(list->item(0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, row.center());
            QCOMPARE(dlg.m_deviceList.GetCurSel(), 0);
            QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
            QCOMPARE(dlg.m_deviceList.GetCurSel(), 0);

            one.shares = {"backup"};
            one.disks = {{"backup", "sdc1", "ext4", 2000, 50}};
            const auto queries = m_net->SentWithCmd(protocol::CMD_GET_SYSTEM_INFO).size();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
            QCOMPARE(m_net->SentWithCmd(protocol::CMD_GET_SYSTEM_INFO).size(), queries + 1);
            QCOMPARE(dlg.m_diskList.GetItemCount(), 1);
            QCOMPARE(dlg.m_diskList.GetItemText(0, 0), QStringLiteral("backup"));
            QCOMPARE(dlg.Devices().GetAt(0)->shares->size(), std::size_t{1});
        });
        QVERIFY(rec.Texts().isEmpty());
    }

    // The device list as the dialog manager's: only the left button selects, a selection is
    // queried once, when the button comes up, and every navigation key queries, at the ends
    // of the list too.
    void listQueriesOncePerSelectionAndOnEveryKey()
    {
        Add(1, "NAS-One");
        Add(2, "NAS-Two");
        Add(3, "NAS-Three");
        MessageRecorder rec;
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            QListWidget* list = List(dlg);
            QWidget* viewport = list->viewport();
            const auto at = [&](int row) { return list->visualItemRect(list->item(row)).center(); };
            const auto queries = [&] {
                return m_net->SentWithCmd(protocol::CMD_GET_SYSTEM_INFO).size();
            };
            QTest::mouseClick(viewport, Qt::RightButton, {}, at(1));
            QTest::mouseClick(viewport, Qt::MiddleButton, {}, at(1));
            QCOMPARE(dlg.m_deviceList.GetCurSel(), -1);
            QCOMPARE(queries(), std::size_t{0});

            QTest::mousePress(viewport, Qt::LeftButton, {}, at(0));
            QTest::mouseMove(viewport, at(1));
            QTest::mouseMove(viewport, at(2));
            QCOMPARE(queries(), std::size_t{0});
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, at(2));
            QCOMPARE(dlg.m_deviceList.GetCurSel(), 2);
            QCOMPARE(queries(), std::size_t{1});
            QCOMPARE(dlg.m_description.GetWindowText(), QStringLiteral("Office NAS-Three"));

            // After a refresh nothing is selected: the first Down selects the first row.
            dlg.RefreshDeviceList();
            list->setFocus();
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(dlg.m_deviceList.GetCurSel(), 0);
            QCOMPARE(queries(), std::size_t{2});
            const std::pair<Qt::Key, int> keys[] = {{Qt::Key_Up, 0},     {Qt::Key_Home, 0},
                                                    {Qt::Key_End, 2},    {Qt::Key_Down, 2},
                                                    {Qt::Key_PageUp, 0}, {Qt::Key_PageDown, 2}};
            std::size_t expected = 2;
            for (const auto& [key, row] : keys) {
                QTest::keyClick(list, key);
                QCOMPARE(dlg.m_deviceList.GetCurSel(), row);
                QCOMPARE(queries(), ++expected);
            }
        });
        QVERIFY(rec.Texts().isEmpty());
    }

    void statusTimeOutRefreshesTheList()
    {
        Add(1, "NAS-One");
        FakeAdapter& two = Add(2, "NAS-Two");
        two.silentFor = {protocol::CMD_GET_NETWORK_INFO};
        MessageRecorder rec;
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            ClickRow(dlg, 0);
            QVERIFY(DeviceCommandsEnabled(dlg));
            const auto discoveriesBefore = m_net->SentWithCmd(protocol::CMD_DISCOVER).size();
            ClickRow(dlg, 1);
            QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Time out:get network info!")});
            QCOMPARE(m_net->SentWithCmd(protocol::CMD_DISCOVER).size(), discoveriesBefore + 1);
            QCOMPARE(dlg.m_deviceList.GetCount(), 2);
            QCOMPARE(dlg.m_deviceList.GetCurSel(), -1);
            QVERIFY(PanelEmpty(dlg));
            QVERIFY(DeviceCommandsDisabled(dlg));
            QVERIFY(dlg.m_refreshButton.IsWindowEnabled());
        });
    }

    void webAddressUsesThePortUnlessItIs80_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("url");
        QTest::newRow("80") << 80 << QStringLiteral("http://192.0.2.11");
        QTest::newRow("8080") << 8080 << QStringLiteral("http://192.0.2.11:8080");
        QTest::newRow("65535") << 65535 << QStringLiteral("http://192.0.2.11:65535");
        QTest::newRow("0") << 0 << QStringLiteral("http://192.0.2.11:0");
    }
    void webAddressUsesThePortUnlessItIs80()
    {
        QFETCH(int, port);
        QFETCH(QString, url);
        Add(1, "NAS-One").webPort = static_cast<std::uint16_t>(port);
        MessageRecorder rec;
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            ClickRow(dlg, 0);
            QTest::mouseClick(ui::qt::Widget(dlg.GetDlgItem(IDC_WEB)), Qt::LeftButton);
            QCOMPARE(m_urls.opened.size(), std::size_t{1});
            QCOMPARE(QString::fromStdString(m_urls.opened[0]), url);
            QVERIFY(rec.Texts().isEmpty());
            // No browser started: the message gives the address; the selection stays.
            m_urls.result = false;
            QTest::mouseClick(ui::qt::Widget(dlg.GetDlgItem(IDC_WEB)), Qt::LeftButton);
            QCOMPARE(dlg.m_deviceList.GetCurSel(), 0);
        });
        m_urls.result = true;
        QCOMPARE(rec.Texts().size(), 1);
        QVERIFY(
            rec.Texts()[0].startsWith(QStringLiteral("The device's web page could not be opened")));
        QVERIFY(rec.Texts()[0].endsWith(url));
    }

    // An answer's address field may hold anything: only a dotted quad is opened, written
    // without leading zeros (a browser reads those as octal).
    void webAddressOpensOnlyADottedQuad_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("url");  // empty: nothing is opened
        for (const char* hostile :
             {"u@evil.example", "1.2.3.4@evil.ex", "evil.example", "1.2.3.4/x", "1.2.3.4:81",
              "1.2.3.4 x", "1.2.3.4.5", "1.2.3", "1.2.3.256", "0x7f.0.0.1", "1.2.3.0004", ""}) {
            QTest::newRow(hostile) << QString::fromLatin1(hostile) << QString();
        }
        QTest::newRow("leading zeros")
            << QStringLiteral("010.000.002.011") << QStringLiteral("http://10.0.2.11:8080");
        QTest::newRow("15 characters")
            << QStringLiteral("192.168.100.200") << QStringLiteral("http://192.168.100.200:8080");
    }
    void webAddressOpensOnlyADottedQuad()
    {
        QFETCH(QString, address);
        QFETCH(QString, url);
        FakeAdapter& a = Add(1, "NAS-One");
        a.ipAddress = a.addresses[0] = address.toStdString();  // the status query's wins
        a.webPort = 8080;
        MessageRecorder rec;
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            ClickRow(dlg, 0);
            QTest::mouseClick(ui::qt::Widget(dlg.GetDlgItem(IDC_WEB)), Qt::LeftButton);
            if (url.isEmpty()) {
                QVERIFY(m_urls.opened.empty());
            } else {
                QCOMPARE(m_urls.opened.size(), std::size_t{1});
                QCOMPARE(QString::fromStdString(m_urls.opened[0]), url);
            }
        });
        QVERIFY(rec.Texts().isEmpty());
    }

    void deviceCommandsWithoutSelectionDoNothing()
    {
        Add(1, "NAS-One");
        MessageRecorder rec;
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            m_net->ClearSent();
            // Even when triggered while enabled, e.g. after a query and a lost selection.
            dlg.m_webButton.EnableWindow(true);
            dlg.m_wizardButton.EnableWindow(true);
            dlg.m_shareMappingButton.EnableWindow(true);
            dlg.SendCommand(IDC_WEB);
            dlg.SendCommand(IDC_WIZARD);
            dlg.SendCommand(IDC_SHARE_MAPPING);
            QVERIFY(m_urls.opened.empty());
            QVERIFY(m_net->Sent().empty());
            QCOMPARE(QApplication::activeModalWidget(), ui::qt::Widget(dlg.GetSafeHwnd()));
            QCOMPARE(dlg.m_deviceList.GetCount(), 1);
        });
        QVERIFY(rec.Texts().isEmpty());
    }

    void systemCommands16To31OpenAbout()
    {
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            int opened = 0;
            for (unsigned id = 16; id <= 31; ++id) {
                QString title;
                CloseNextModal(&opened, &title);
                dlg.SendSysCommand(id);
                QCOMPARE(title, QStringLiteral("About"));
            }
            QCOMPARE(opened, 16);
            // The About button does the same.
            CloseNextModal(&opened, nullptr);
            QTest::mouseClick(ui::qt::Widget(dlg.GetDlgItem(IDC_ABOUT)), Qt::LeftButton);
            QCOMPARE(opened, 17);
            // 32 is no longer the About item; the window stays.
            dlg.SendSysCommand(32);
            QCOMPARE(opened, 17);
            QVERIFY(dlg.IsModalRunning());
        });
    }

    void aboutBoxShowsItsTexts()
    {
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            QStringList texts;
            QTimer::singleShot(0, [&] {
                QWidget* about = QApplication::activeModalWidget();
                for (QLabel* l : about->findChildren<QLabel*>())
                    if (!l->text().isEmpty()) texts << l->text();
                QVERIFY(about->findChild<QLabel*>() != nullptr);
                // Enter presses its default button.
                QTest::keyClick(about, Qt::Key_Return);
            });
            dlg.SendSysCommand(IDM_ABOUTBOX);
            QVERIFY(texts.contains(QStringLiteral("TXR Version 1.0")));
            QCOMPARE(texts.size(), 2);
        });
    }

    void enterOnRefreshRefreshesAndKeepsTheWindow()
    {
        Add(1, "NAS-One");
        QWidget* focusDuringRefresh = nullptr;
        QPointer<QWidget> watched;
        m_net->AddResponder([&](const sockets::FakeDatagram&) {
            if (watched) focusDuringRefresh = watched->focusWidget();
            return std::vector<sockets::FakeReply>{};
        });
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            // Enter on the focused Refresh button refreshes and keeps the window; while the
            // button is disabled the focus is on no other button, and then it is back.
            const auto before = m_net->SentWithCmd(protocol::CMD_DISCOVER).size();
            QWidget* refresh = ui::qt::Widget(dlg.GetDlgItem(IDC_REFRESH));
            refresh->setFocus();
            focusDuringRefresh = refresh;
            watched = ui::qt::Widget(dlg.GetSafeHwnd());
            QTest::keyClick(refresh, Qt::Key_Return);
            QCOMPARE(m_net->SentWithCmd(protocol::CMD_DISCOVER).size(), before + 1);
            QVERIFY(qobject_cast<QPushButton*>(focusDuringRefresh) == nullptr);
            QCOMPARE(ui::qt::Widget(dlg.GetSafeHwnd())->focusWidget(), refresh);
            watched = nullptr;
            QVERIFY(dlg.IsModalRunning());
            dlg.EndDialog(IDCANCEL);
        });
    }

    void keysAndButtonsEndTheWindow_data()
    {
        QTest::addColumn<int>("endingIndex");
        QTest::addColumn<int>("result");
        QTest::newRow("Return in the device list") << int(Ending::ReturnInList) << int{IDOK};
        QTest::newRow("Escape in the device list") << int(Ending::EscapeInList) << int{IDCANCEL};
        QTest::newRow("the close box") << int(Ending::CloseBox) << int{IDCANCEL};
        QTest::newRow("Quit") << int(Ending::Quit) << int{IDOK};
    }
    void keysAndButtonsEndTheWindow()
    {
        QFETCH(int, endingIndex);
        const auto ending = static_cast<Ending>(endingIndex);
        QFETCH(int, result);
        Add(1, "NAS-One");
        app::Services s = Services();
        app::CMainDlg dlg(s);
        const int got = RunModal(dlg, [&] {
            QWidget* list = ui::qt::Widget(dlg.GetDlgItem(IDC_DEVICE_LIST));
            switch (ending) {
                case Ending::ReturnInList:
                case Ending::EscapeInList:
                    list->setFocus();
                    QTest::keyClick(
                        list, ending == Ending::ReturnInList ? Qt::Key_Return : Qt::Key_Escape);
                    break;
                case Ending::CloseBox:
                    ui::qt::Widget(dlg.GetSafeHwnd())->close();
                    break;
                case Ending::Quit:
                    QTest::mouseClick(ui::qt::Widget(dlg.GetDlgItem(IDC_QUIT)), Qt::LeftButton);
                    break;
            }
        });
        QCOMPARE(got, result);
    }

    void socketsFailureShowsOnlyTheMessage()
    {
        m_api->faults.startupResult = 10091;
        MessageRecorder rec;
        int windowsShown = 0;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() != nullptr) ++windowsShown;
        });
        watcher.start(0);
        app::Services s = Services();
        app::CQuickSetupApp theApp(s);
        QVERIFY(!theApp.InitInstance());
        QVERIFY(!theApp.ranMainWindow());
        QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Windows 通信端口初始化失败。")});
        QCOMPARE(m_api->RequestedVersions().front(), sockets::MakeVersion(1, 1));
        QVERIFY(m_net->Sent().empty());
        QCOMPARE(windowsShown, 0);
    }

    void startUpHoldsTheLibraryForTheWindowsLife()
    {
        app::Services s = Services();
        app::CQuickSetupApp theApp(s);
        QTimer::singleShot(0, [this] {
            // Discovery released its own start-up; the application's is still held.
            QCOMPARE(m_api->Startups() - m_api->Cleanups(), 1);
            QApplication::activeModalWidget()->close();
        });
        QVERIFY(!theApp.InitInstance());
        QVERIFY(theApp.ranMainWindow());
        QCOMPARE(m_api->Startups(), m_api->Cleanups());
    }

    void namesAreShownWholeAndDecoded()
    {
        Add(1, "ABCDEFGHIJKLMNOP");  // 16 characters: no terminator on the wire
        Add(2, "Caf\xE9 \xFC");      // Latin-1 bytes
        Add(3, "B\xC3\xBCro");       // UTF-8
        Add(4, "<b>bold</b>");       // shown as text, never as markup
        FakeAdapter& dup = Add(5, "Twice");
        dup.copies = 2;  // a device that answers twice is listed twice
        MessageRecorder rec;
        app::Services s = Services();
        app::CMainDlg dlg(s);
        RunModal(dlg, [&] {
            QCOMPARE(dlg.m_deviceList.GetCount(), 6);
            QCOMPARE(dlg.m_deviceList.GetText(0), QStringLiteral("ABCDEFGHIJKLMNOP"));
            QCOMPARE(dlg.m_deviceList.GetText(1), QStringLiteral("Café ü"));
            QCOMPARE(dlg.m_deviceList.GetText(2), QStringLiteral("Büro"));
            QCOMPARE(dlg.m_deviceList.GetText(3), QStringLiteral("<b>bold</b>"));
            QCOMPARE(dlg.m_deviceList.GetText(5), QStringLiteral("Twice"));
            ClickRow(dlg, 3);
            auto* desc = qobject_cast<QLabel*>(ui::qt::Widget(dlg.GetDlgItem(IDC_DESCRIPTION)));
            QCOMPARE(desc->text(), QStringLiteral("Office <b>bold</b>"));
            QCOMPARE(desc->textFormat(), Qt::PlainText);
        });
    }

    void waitsRepaintButDropInput()
    {
        // A device that never answers the system-information request: a 20-second wait.
        Add(1, "NAS-One").silentFor = {protocol::CMD_GET_SYSTEM_INFO};
        app::WaitingSocketApi busyApi(*m_api);
        const int droppedBefore = ui::DroppedInputEvents();
        app::Services s{busyApi, m_drives, m_urls};
        MessageRecorder rec;
        app::CMainDlg dlg(s);
        int quitClicks = 0;
        RunModal(dlg, [&] {
            QObject::connect(qobject_cast<QPushButton*>(ui::qt::Widget(dlg.GetDlgItem(IDC_QUIT))),
                             &QPushButton::clicked, [&] { ++quitClicks; });
            // A click on Quit lands in the middle of the status query's wait.
            m_net->AddResponder([&](const sockets::FakeDatagram& d) {
                if (d.Cmd() == protocol::CMD_GET_SYSTEM_INFO)
                    QTimer::singleShot(0, [&] {
                        QTest::mouseClick(ui::qt::Widget(dlg.GetDlgItem(IDC_QUIT)), Qt::LeftButton);
                    });
                return std::vector<sockets::FakeReply>{};
            });
            const auto start = m_api->Now();
            ClickRow(dlg, 0);
            // The total time-out is unchanged: 200 waits of 100 ms (plus the refresh's 2 s).
            QVERIFY(m_api->Now() - start >= std::chrono::milliseconds(22000));
            QVERIFY(m_api->Now() - start < std::chrono::milliseconds(22500));
            QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Time out:get system info!")});
            QVERIFY(ui::DroppedInputEvents() > droppedBefore);
            QCOMPARE(quitClicks, 0);
            QVERIFY(dlg.IsModalRunning());
            QVERIFY(!ui::IsBusy());
            QVERIFY(QApplication::overrideCursor() == nullptr);
        });
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    res::InstallResources();
    ui::qt::SetupApplicationLook();
    const auto uiSystem = ui::qt::AttachSystem();
    MainDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_main_dlg.moc"
