// The program's resources as the dialog framework sees them once installed: every template,
// the combo-box lists, the string table and the images.
#include <QApplication>
#include <QtTest>
#include <string_view>

#include "platform/ui/cdialog.h"
#include "res/resource.h"
#include "res/resources.h"
#include "tests/support/gui_support.h"

class ResourcesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ui::qt::InstallBackend();
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
        QCOMPARE(tz[4], std::string_view("(GMT-08:00) Pacific Time (US &amp; Canada); Tijuana "));
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
};

QTEST_MAIN(ResourcesTest)
#include "tst_resources.moc"
