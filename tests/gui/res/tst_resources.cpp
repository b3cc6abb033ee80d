// The program's resources as the dialog framework sees them once installed: every template,
// the combo-box lists, the string table and the images.
#include <QApplication>
#include <QtTest>
#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "res/resources.h"
#include "tests/support/gui_support.h"
#include "ui/accessible_names.h"
#include "ui/cdialog.h"

class ResourcesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_uiSystem = ui::qt::AttachSystem();
        res::InstallResources();
    }

    void templatesHoldTheirData()
    {
        for (int id : {IDD_MAIN, IDD_ABOUTBOX, IDD_VERIFY, IDD_WIZARD, IDD_PAGE_SYSTEM,
                       IDD_PAGE_NETWORK, IDD_PAGE_FINISH, IDD_SHARE_MAP})
            QVERIFY2(ui::FindTemplate(id) != nullptr, qPrintable(QString::number(id)));
        QVERIFY(ui::FindTemplate(999) == nullptr);
        QCOMPARE(ui::FindTemplate(IDD_MAIN)->controls.size(), std::size_t{22});

        const auto& zones = ui::FindTemplate(IDD_PAGE_SYSTEM)->comboData;
        QCOMPARE(zones.size(), std::size_t{1});
        const auto& tz = zones[0].second;
        QCOMPARE(zones[0].first, IDC_TIMEZONE);
        QCOMPARE(tz.size(), std::size_t{75});
        QCOMPARE(tz[4], std::string_view("(GMT-08:00) Pacific Time (US & Canada); Tijuana "));
        QCOMPARE(tz[9], std::string_view("(GMT-06:00) Central Time (US & Canda) "));
        for (const std::string_view t : tz) QVERIFY(t.find("&amp;") == std::string_view::npos);
        QCOMPARE(tz[26],
                 std::string_view("(GMT) Greenwich Mean Time: Dublin,Edinburgh,Lisbon,London "));
        QCOMPARE(tz[74], std::string_view("(GMT+13:00) Nuku'alofa"));
        for (std::size_t i = 0; i + 1 < tz.size(); ++i) QVERIFY(tz[i].back() == ' ');

        const auto& modes = ui::FindTemplate(IDD_PAGE_NETWORK)->comboData.at(0).second;
        QCOMPARE(modes.size(), std::size_t{2});
        QCOMPARE(modes[0], std::string_view("Static IP"));
        QCOMPARE(modes[1], std::string_view("DHCP"));

        QCOMPARE(ui::LoadString(IDS_ABOUTBOX), QStringLiteral("关于 tarpin(&A)..."));
        QCOMPARE(ui::LoadString(IDP_SOCKETS_INIT_FAILED),
                 QStringLiteral("Windows 通信端口初始化失败。"));
        QVERIFY(ui::LoadString(12345).IsEmpty());
        QCOMPARE(ui::qt::ToQPixmap(ui::LoadBitmap(IDB_WIZARD)).size(), QSize(160, 249));
        QVERIFY(!ui::qt::ToQIcon(ui::LoadIcon(IDR_MAINFRAME)).pixmap(32, 32).isNull());
    }

    // What a screen reader calls each control that shows no text of its own: every one of them
    // has a name, the one its own label gives (not a neighbour's, nor one from another group).
    void everyControlWithoutTextIsNamedByItsLabel()
    {
        const std::vector<std::pair<int, std::vector<std::pair<int, const char*>>>> expected{
            {IDD_MAIN, {{IDC_DEVICE_LIST, "Device list"}, {IDC_DISK_LIST, "USB infomation"}}},
            {IDD_VERIFY, {{IDC_VERIFY_NAME, "Name"}, {IDC_VERIFY_PASSWORD, "Password"}}},
            {IDD_PAGE_SYSTEM,
             {{IDC_DEV_DESC, "Device description"},
              {IDC_DEV_DATE, "Device Date"},
              {IDC_DEV_TIME, "Device time"},
              {IDC_TIMEZONE, "Device timezone"}}},
            {IDD_PAGE_NETWORK,
             {{IDC_PROTOCOL, "Protocol"},
              {IDC_NET_IP, "IP address"},
              {IDC_NET_MASK, "Subnet mask"},
              {IDC_NET_GATEWAY, "Default gateway"},
              {IDC_NET_DNS1, "Primary dns"},
              {IDC_NET_DNS2, "Secondary dns"}}},
            {IDD_SHARE_MAP,
             {{IDC_MAP_USER, "Username"},
              {IDC_MAP_PASSWORD, "Password"},
              {IDC_SHARE_COMBO, "Map share to local"},
              {IDC_DRIVE_COMBO, "Map to"},
              {IDC_MAPPED_LIST, "List of mapped share"}}},
        };
        int named = 0;
        for (const auto& [dialog, names] : expected) {
            const ui::DialogTemplate& t = *ui::FindTemplate(dialog);
            for (std::size_t i = 0; i < t.controls.size(); ++i) {
                if (!ui::NamedByLabel(t.controls[i].kind)) continue;
                const auto it = std::find_if(names.begin(), names.end(), [&](const auto& n) {
                    return n.first == t.controls[i].id;
                });
                QVERIFY2(it != names.end(), qPrintable(QString::number(t.controls[i].id)));
                QCOMPARE(ui::TemplateAccessibleName(t, i), QString::fromUtf8(it->second));
                ++named;
            }
        }
        QCOMPARE(named, 19);
        // The other windows have no such control.
        for (int id : {IDD_ABOUTBOX, IDD_WIZARD, IDD_PAGE_FINISH})
            for (const ui::ControlTemplate& ct : ui::FindTemplate(id)->controls)
                QVERIFY(!ui::NamedByLabel(ct.kind));
    }

private:
    std::unique_ptr<ui::UiSystem> m_uiSystem;
};

QTEST_MAIN(ResourcesTest)
#include "tst_resources.moc"
