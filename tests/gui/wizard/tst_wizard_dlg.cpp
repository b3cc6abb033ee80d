// The setup wizard: every page transition with its buttons, the filling of both settings
// pages from the device record, the exact requests each Next sends, the description check,
// and how refusals, silence and socket failures move (or keep) the wizard.
#include <QAbstractItemView>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QtTest>
#include <cstdlib>
#include <ctime>

#include "res/resources.h"
#include "ui/qt/test_probe.h"
#include "wizard/launch_wizard.h"
#include "wizard_gui_support.h"

using namespace wizard_test;

namespace {

const QString kNote = QStringLiteral(
    "Device description is invalid! \nValid characters are: '0-9', 'a-z', 'A-Z', ' ', '-', '_'.");

// The wizard with its three pages, as the Setup wizard command puts it together.
struct Rig {
    explicit Rig(sockets::SocketApi& api, protocol::DeviceInfo& device) : setup(api, device) {}

    QString NextCaption() { return Button(wizard, IDC_NEXT)->text(); }
    bool BackEnabled() { return Button(wizard, IDC_BACK)->isEnabled(); }
    void Click(int id) { Button(wizard, id)->click(); }
    int Visible()  // the one page shown, or -1
    {
        int shown = -1;
        const std::array<ui::CDialog*, 3> pages{&system, &network, &finish};
        for (int i = 0; i < 3; ++i) {
            if (ui::qt::Widget(pages[static_cast<std::size_t>(i)]->GetSafeHwnd())->isVisible()) {
                if (shown != -1) return -2;
                shown = i;
            }
        }
        return shown;
    }
    void SelectProtocol(int index)
    {
        auto* combo = qobject_cast<QComboBox*>(ui::qt::Widget(network.GetDlgItem(IDC_PROTOCOL)));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    wizard::SetupWizard setup;
    wizard::CWizardDlg& wizard = setup.frame;
    wizard::CSystemPage& system = setup.system;
    wizard::CNetworkPage& network = setup.network;
    wizard::CFinishPage& finish = setup.finish;
};

std::vector<std::uint8_t> SystemRequest(std::uint8_t passwordRequired, const std::string& name,
                                        const std::string& description, const std::string& date,
                                        const std::string& time, std::uint8_t timezone)
{
    std::vector<std::uint8_t> p(96, 0);
    p[0] = passwordRequired;
    Put(p, 1, name);
    Put(p, 17, description);
    Put(p, 81, date);
    Put(p, 89, time);
    p[95] = timezone;
    return Request(17, p);
}

std::vector<std::uint8_t> NetworkRequest(std::uint8_t mode, const std::array<std::string, 5>& a)
{
    std::vector<std::uint8_t> p(76, 0);
    p[0] = mode;
    for (std::size_t i = 0; i < 5; ++i) Put(p, 1 + 15 * i, a[i]);
    return Request(19, p);
}

std::string Digits(const QString& s)
{
    return s.toStdString();
}

}  // namespace

class WizardDlgTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_api.reset();  // the host must leave the old segment before it goes
        m_net = std::make_unique<sockets::FakeNetwork>();
        m_api = std::make_unique<sockets::FakeSocketApi>(*m_net);
        m_adapter = &m_net->AddAdapter(kMac);
        m_device = MakeDevice(*m_adapter);
    }
    void cleanup()
    {
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(m_api->Balanced());
    }

    void nextBackAndSkipFollowTheStateTable()
    {
        MessageRecorder rec;
        Rig rig(*m_api, m_device);
        const int result = RunModal(rig.wizard, [&] {
            QCOMPARE(rig.Visible(), 0);
            QCOMPARE(rig.NextCaption(), QStringLiteral("Next >>"));
            QVERIFY(!rig.BackEnabled());

            rig.Click(IDC_NEXT);
            QCOMPARE(m_net->SentWithCmd(17).size(), std::size_t{1});
            QCOMPARE(rig.Visible(), 1);
            QCOMPARE(rig.NextCaption(), QStringLiteral("Next >>"));
            QVERIFY(rig.BackEnabled());

            rig.Click(IDC_NEXT);
            QCOMPARE(m_net->SentWithCmd(19).size(), std::size_t{1});
            QCOMPARE(rig.Visible(), 2);
            QCOMPARE(rig.NextCaption(), QStringLiteral("&Finished"));
            QCOMPARE(Button(rig.wizard, IDC_NEXT)->accessibleName(), QStringLiteral("Finished"));
            QVERIFY(rig.BackEnabled());

            rig.Click(IDC_BACK);
            QCOMPARE(rig.Visible(), 1);
            QCOMPARE(rig.NextCaption(), QStringLiteral("&Next >>"));
            QCOMPARE(Button(rig.wizard, IDC_NEXT)->accessibleName(), QStringLiteral("Next >>"));
            QVERIFY(rig.BackEnabled());

            rig.Click(IDC_BACK);
            QCOMPARE(rig.Visible(), 0);
            QVERIFY(!rig.BackEnabled());
            QCOMPARE(rig.NextCaption(), QStringLiteral("&Next >>"));

            // Skip writes nothing.
            rig.Click(IDC_SKIP);
            QCOMPARE(rig.Visible(), 1);
            QVERIFY(rig.BackEnabled());
            rig.Click(IDC_SKIP);
            QCOMPARE(rig.Visible(), 2);
            QCOMPARE(rig.NextCaption(), QStringLiteral("&Finished"));
            QCOMPARE(m_net->SentWithCmd(17).size(), std::size_t{1});
            QCOMPARE(m_net->SentWithCmd(19).size(), std::size_t{1});

            // A later Next on page 1 sends the network settings again.
            rig.Click(IDC_BACK);
            rig.Click(IDC_NEXT);
            QCOMPARE(m_net->SentWithCmd(19).size(), std::size_t{2});

            rig.Click(IDC_SKIP);  // Skip on the last page finishes like "&Finished"
        });
        QCOMPARE(result, IDOK);
        QVERIFY(rec.boxes.empty());
    }

    void finishedEndsWithOk()
    {
        MessageRecorder rec;
        Rig rig(*m_api, m_device);
        const int result = RunModal(rig.wizard, [&] {
            rig.Click(IDC_SKIP);
            rig.Click(IDC_SKIP);
            rig.Click(IDC_NEXT);
        });
        QCOMPARE(result, IDOK);
        QVERIFY(m_net->Sent().empty());
    }

    void cancelAndCloseBoxKeepEarlierWrites()
    {
        MessageRecorder rec;
        {
            Rig rig(*m_api, m_device);
            const int result = RunModal(rig.wizard, [&] {
                rig.system.m_descriptionEdit.SetWindowText("Cellar box");
                rig.Click(IDC_NEXT);
                QCOMPARE(rig.Visible(), 1);
                rig.Click(IDCANCEL);
            });
            QCOMPARE(result, IDCANCEL);
            QCOMPARE(m_adapter->description, std::string("Cellar box"));
            QVERIFY(m_net->SentWithCmd(19).empty());
        }
        {
            Rig rig(*m_api, m_device);
            const int result =
                RunModal(rig.wizard, [&] { ui::qt::Widget(rig.wizard.GetSafeHwnd())->close(); });
            QCOMPARE(result, IDCANCEL);
        }
    }

    // Return in a field acts as Next (it must not end the wizard unwritten); Escape cancels.
    void returnActsAsNext()
    {
        MessageRecorder rec;
        Rig rig(*m_api, m_device);
        const int result = RunModal(rig.wizard, [&] {
            QApplication::setActiveWindow(ui::qt::Widget(rig.wizard.GetSafeHwnd())->window());
            QWidget* edit = ui::qt::Widget(rig.system.GetDlgItem(IDC_DEV_DESC));
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(m_net->SentWithCmd(17).size(), std::size_t{1});
            QCOMPARE(rig.Visible(), 1);
            QVERIFY(ui::qt::Widget(rig.wizard.GetSafeHwnd())->isVisible());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        QCOMPARE(result, IDCANCEL);
    }

    // What Return sends is what the controls show, typed text included, as for a click on Next.
    void returnSendsWhatThePickersShow()
    {
        MessageRecorder rec;
        SetField(m_device.date, "20260305");
        SetField(m_device.time, "070809");
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] {
            QApplication::setActiveWindow(ui::qt::Widget(rig.wizard.GetSafeHwnd())->window());
            const auto typeAndReturn = [](QWidget* w, QDateTimeEdit::Section section,
                                          const QString& digits) {
                auto* edit = qobject_cast<QDateTimeEdit*>(w);
                edit->setFocus();
                edit->setSelectedSection(section);
                QTest::keyClicks(edit, digits);
                QTest::keyClick(edit, Qt::Key_Return);
            };
            const auto sentDateTime = [&](std::size_t i) {
                const auto bytes = m_net->SentWithCmd(17).at(i).bytes;
                return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()) + 12 + 81,
                                           14);
            };
            typeAndReturn(ui::qt::Widget(rig.system.GetDlgItem(IDC_DEV_DATE)),
                          QDateTimeEdit::YearSection, QStringLiteral("2030"));
            QCOMPARE(sentDateTime(0), QStringLiteral("20300305070809"));
            rig.Click(IDC_BACK);
            typeAndReturn(ui::qt::Widget(rig.system.GetDlgItem(IDC_DEV_TIME)),
                          QDateTimeEdit::HourSection, QStringLiteral("11"));
            QCOMPARE(sentDateTime(1), QStringLiteral("20300305110809"));

            auto* combo =
                qobject_cast<QComboBox*>(ui::qt::Widget(rig.network.GetDlgItem(IDC_PROTOCOL)));
            combo->setFocus();
            combo->lineEdit()->selectAll();
            QTest::keyClicks(combo, QStringLiteral("DHCP"));
            QTest::keyClick(combo, Qt::Key_Return);
            QCOMPARE(m_net->SentWithCmd(19).at(0).bytes.at(12), std::uint8_t{1});
        });
        QVERIFY(rec.boxes.empty());
    }

    // Return on page 0, then Return again: the second one is Next on the network page.
    void secondReturnWritesTheNetworkPage()
    {
        MessageRecorder rec;
        Rig rig(*m_api, m_device);
        const int result = RunModal(rig.wizard, [&] {
            QApplication::setActiveWindow(ui::qt::Widget(rig.wizard.GetSafeHwnd())->window());
            ui::qt::Widget(rig.system.GetDlgItem(IDC_DEV_DESC))->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(rig.Visible(), 1);
            QVERIFY(QApplication::focusWidget() != ui::qt::Widget(rig.wizard.GetDlgItem(IDCANCEL)));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(m_net->SentWithCmd(19).size(), std::size_t{1});
            QCOMPARE(rig.Visible(), 2);
        });
        QCOMPARE(result, IDCANCEL);  // the driver's own end, not the second Return
    }

    // Each page window comes from the template recorded with AddPage, not its constructor's.
    void pagesUseTheRecordedTemplates()
    {
        wizard::CWizardDlg wizard(*m_api);
        wizard::CFinishPage page;
        wizard.AddPage(&page, 0x10000u | IDD_PAGE_NETWORK);
        RunModal(wizard, [&] {
            QVERIFY(ui::qt::Widget(page.GetDlgItem(IDC_NET_IP)) != nullptr);
            QCOMPARE(page.templateId(), IDD_PAGE_NETWORK);
        });
        wizard.DestroyPages();
    }

    void pagesFillTheFrame()
    {
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] {
            const QRect frame = ui::qt::ToQRect(rig.wizard.GetDlgItemRectInParent(IDC_PAGE_FRAME));
            QVERIFY(frame.width() > 0);
            for (ui::CDialog* page :
                 {static_cast<ui::CDialog*>(&rig.system), static_cast<ui::CDialog*>(&rig.network),
                  static_cast<ui::CDialog*>(&rig.finish)}) {
                QCOMPARE(ui::qt::Widget(page->GetSafeHwnd())->geometry(), frame);
            }
        });
    }

    // An unchanged page sends back what the device reported, leading zeros included.
    void systemPageRoundTrip()
    {
        MessageRecorder rec;
        m_adapter->date = "20260305";
        m_adapter->time = "070809";
        m_adapter->timezone = 74;
        m_adapter->passwordRequired = 1;
        m_device = MakeDevice(*m_adapter);
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] {
            QCOMPARE(rig.system.m_noPasswordCheck.GetCheck(), 0);
            QCOMPARE(rig.system.m_timezoneCombo.GetCount(), 75);
            QCOMPARE(rig.system.m_timezoneCombo.GetCurSel(), 74);
            QCOMPARE(rig.system.m_descriptionEdit.GetWindowText(),
                     QStringLiteral("Storage adapter"));
            const ui::DateTime date = rig.system.m_datePicker.GetTime();
            const ui::DateTime time = rig.system.m_timePicker.GetTime();
            QCOMPARE(QDate(date.year, date.month, date.day), QDate(2026, 3, 5));
            QCOMPARE(QTime(time.hour, time.minute, time.second), QTime(7, 8, 9));
            rig.Click(IDC_NEXT);
            QCOMPARE(m_net->SentWithCmd(17).at(0).bytes,
                     SystemRequest(1, "NAS-ADAPTER", "Storage adapter", "20260305", "070809", 74));

            // Checked box: the device shall not ask next time.
            rig.Click(IDC_BACK);
            rig.system.m_noPasswordCheck.SetCheck(1);
            rig.Click(IDC_NEXT);
            QCOMPARE(m_net->SentWithCmd(17).at(1).bytes.at(12), std::uint8_t{0});
            QCOMPARE(m_adapter->passwordRequired, std::uint8_t{0});
        });
        QVERIFY(rec.boxes.empty());
    }

    void descriptionCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("full stop") << QStringLiteral("box.one");
        QTest::newRow("slash") << QStringLiteral("a/b");
        QTest::newRow("tab") << QStringLiteral("a\tb");
        QTest::newRow("accented") << QStringLiteral("caf\u00e9");
    }
    void descriptionCheck()
    {
        QFETCH(QString, text);
        MessageRecorder rec;
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] {
            rig.system.m_descriptionEdit.SetWindowText(text.toStdString());
            rig.Click(IDC_NEXT);
            QCOMPARE(rec.boxes.size(), std::size_t{1});
            QCOMPARE(rec.boxes[0].text, kNote);
            QCOMPARE(rec.boxes[0].caption, QStringLiteral("Note"));
            QVERIFY(rec.boxes[0].icon == ui::Icon::Information);
            QCOMPARE(rig.Visible(), 0);
            QVERIFY(!rig.BackEnabled());
            QCOMPARE(rig.system.m_descriptionEdit.GetWindowText(), text);
        });
        QVERIFY(m_net->Sent().empty());
    }

    void descriptionLimits()
    {
        MessageRecorder rec;
        Rig rig(*m_api, m_device);
        const std::string valid63 = "Aa0 -_" + std::string(57, 'z');
        RunModal(rig.wizard, [&] {
            auto* edit =
                qobject_cast<QLineEdit*>(ui::qt::Widget(rig.system.GetDlgItem(IDC_DEV_DESC)));
            edit->clear();
            // 65 typed, 64 kept; the 64th (a full stop) is dropped, not checked.
            QTest::keyClicks(edit, QString::fromStdString(valid63) + QStringLiteral(".x"));
            QCOMPARE(edit->text().size(), 64);
            rig.Click(IDC_NEXT);
            QVERIFY(rec.boxes.empty());
            const auto bytes = m_net->SentWithCmd(17).at(0).bytes;
            QCOMPARE(std::string(bytes.begin() + 29, bytes.begin() + 29 + 64),
                     valid63 + std::string(1, '\0'));

            // An empty description passes and goes out as zeros.
            rig.Click(IDC_BACK);
            edit->clear();
            rig.Click(IDC_NEXT);
            const auto empty = m_net->SentWithCmd(17).at(1).bytes;
            QVERIFY(
                std::all_of(empty.begin() + 29, empty.begin() + 93, [](auto b) { return b == 0; }));
        });
        QVERIFY(rec.boxes.empty());
    }

    void timezoneOutOfListSendsNoSelection()
    {
        m_device.timezone = 75;
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] {
            QCOMPARE(rig.system.m_timezoneCombo.GetCurSel(), -1);
            rig.Click(IDC_NEXT);
            QCOMPARE(m_net->SentWithCmd(17).at(0).bytes.at(12 + 95), std::uint8_t{255});
        });
    }

    // Text typed over an entry of either combo box is sent as the entry it names; text that
    // names none keeps the page, with the text and the focus in the box, and sends nothing.
    void typedTextNamesAnEntry_data()
    {
        QTest::addColumn<int>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("sent");  // -1: refused
        QTest::newRow("timezone, whole text")
            << IDC_TIMEZONE << QStringLiteral("(GMT+01:00) Brussels") << 29;
        QTest::newRow("timezone, part") << IDC_TIMEZONE << QStringLiteral(" brussels ") << 29;
        QTest::newRow("timezone, &") << IDC_TIMEZONE << QStringLiteral("us & canda) ") << -1;
        QTest::newRow("timezone, nowhere") << IDC_TIMEZONE << QStringLiteral("nowhere") << -1;
        QTest::newRow("mode, dhcp") << IDC_PROTOCOL << QStringLiteral("dhcp") << 1;
        QTest::newRow("mode, part") << IDC_PROTOCOL << QStringLiteral("static") << 0;
        QTest::newRow("mode, nowhere") << IDC_PROTOCOL << QStringLiteral("nowhere") << -1;
    }
    void typedTextNamesAnEntry()
    {
        QFETCH(int, control);
        QFETCH(QString, typed);
        QFETCH(int, sent);
        MessageRecorder rec;
        m_device.ipMode = 0;
        Rig rig(*m_api, m_device);
        const bool system = control == IDC_TIMEZONE;
        const std::uint16_t cmd = system ? 17 : 19;
        const std::size_t at = system ? 12 + 95 : 12;
        RunModal(rig.wizard, [&] {
            QApplication::setActiveWindow(ui::qt::Widget(rig.wizard.GetSafeHwnd())->window());
            if (!system) rig.Click(IDC_SKIP);
            ui::CDialog& page = system ? static_cast<ui::CDialog&>(rig.system) : rig.network;
            auto* combo = qobject_cast<QComboBox*>(ui::qt::Widget(page.GetDlgItem(control)));
            combo->setFocus();
            combo->lineEdit()->selectAll();
            QTest::keyClicks(combo->lineEdit(), typed);
            QCOMPARE(combo->currentIndex(), -1);
            rig.Click(IDC_NEXT);
            if (sent < 0) {
                QVERIFY(m_net->SentWithCmd(cmd).empty());
                QCOMPARE(rig.Visible(), system ? 0 : 1);
                QCOMPARE(rec.boxes.size(), std::size_t{1});
                QVERIFY(rec.boxes[0].text.str().find("choose an entry from the list") !=
                        std::string::npos);
                QCOMPARE(combo->currentText(), typed);
                QVERIFY(combo->hasFocus() || combo->isAncestorOf(QApplication::focusWidget()));
                return;
            }
            QVERIFY(rec.boxes.empty());
            QCOMPARE(m_net->SentWithCmd(cmd).at(0).bytes.at(at), std::uint8_t(sent));
            QCOMPARE(combo->currentIndex(), sent);
            if (!system) QCOMPARE(rig.network.m_ipCtrl.IsWindowEnabled(), sent == 0);
        });
    }

    // The timezone list opens wide enough for its longest entry, not cut to the box.
    void timezoneListOpensWideEnough()
    {
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] {
            auto* zone =
                qobject_cast<QComboBox*>(ui::qt::Widget(rig.system.GetDlgItem(IDC_TIMEZONE)));
            int widest = 0;
            const QFontMetrics metrics(zone->view()->font());
            for (int i = 0; i < zone->count(); ++i)
                widest = std::max(widest, metrics.horizontalAdvance(zone->itemText(i)));
            QVERIFY(widest > zone->width());
            zone->showPopup();
            QVERIFY2(
                zone->view()->viewport()->width() >= widest,
                qPrintable(
                    QStringLiteral("%1 < %2").arg(zone->view()->viewport()->width()).arg(widest)));
            zone->hidePopup();
        });
    }

    // A description shows its start.
    void longDescriptionShowsItsStart()
    {
        const std::string longText = "Storage adapter on the shelf beside the file server";
        m_adapter->description = longText;
        m_device = MakeDevice(*m_adapter);
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] {
            QCOMPARE(qobject_cast<QLineEdit*>(ui::qt::Widget(rig.system.GetDlgItem(IDC_DEV_DESC)))
                         ->cursorPosition(),
                     0);
        });
    }

    // Month 13, day 0 and a time in the spring-forward gap (zone set in main()).
    void dateCarryAndDaylightSaving_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("sentDate");
        QTest::addColumn<QString>("sentTime");
        QTest::newRow("month 13") << "20231301"
                                  << "120000"
                                  << "20240101"
                                  << "120000";
        QTest::newRow("day 0") << "20240300"
                               << "235959"
                               << "20240229"
                               << "235959";
        QTest::newRow("second 60") << "20231231"
                                   << "235960"
                                   << "20240101"
                                   << "000000";
        QTest::newRow("summer") << "20240715"
                                << "120000"
                                << "20240715"
                                << "120000";
        QTest::newRow("gap") << "20240331"
                             << "023000"
                             << "20240331"
                             << "033000";
        QTest::newRow("after 2038") << "20400229"
                                    << "101010"
                                    << "20400229"
                                    << "101010";
    }
    void dateCarryAndDaylightSaving()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, sentDate);
        QFETCH(QString, sentTime);
        SetField(m_device.date, Digits(date));
        SetField(m_device.time, Digits(time));
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] { rig.Click(IDC_NEXT); });
        const auto bytes = m_net->SentWithCmd(17).at(0).bytes;
        QCOMPARE(QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()) + 12 + 81, 8),
                 sentDate);
        QCOMPARE(QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()) + 12 + 89, 6),
                 sentTime);
    }

    void unusableDateKeepsThePcClock()
    {
        SetField(m_device.date, "00000000");
        SetField(m_device.time, "000000");
        Rig rig(*m_api, m_device);
        const QDateTime before = QDateTime::currentDateTime();
        RunModal(rig.wizard, [&] { rig.Click(IDC_NEXT); });
        const QDateTime after = QDateTime::currentDateTime();
        const auto bytes = m_net->SentWithCmd(17).at(0).bytes;
        const QString sent =
            QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()) + 12 + 81, 14);
        const QDateTime picked = QDateTime::fromString(sent, QStringLiteral("yyyyMMddHHmmss"));
        QVERIFY(picked.isValid());
        QVERIFY(picked >= before.addSecs(-1) && picked <= after);
    }

    void networkPageFillingAndModes()
    {
        MessageRecorder rec;
        m_adapter->ipMode = 1;
        m_adapter->addresses = {"255.255.255.255", "255.0.0.0", "10.0.0.1", "10.0.0.53", "0.0.0.0"};
        m_device = MakeDevice(*m_adapter);
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] {
            rig.Click(IDC_SKIP);
            QCOMPARE(rig.network.m_protocolCombo.GetCurSel(), 1);
            for (int i = 0; i < 5; ++i) {
                ui::CIPAddressCtrl* c = rig.network.AddressCtrl(i);
                QVERIFY(!c->IsWindowEnabled());
                QCOMPARE(c->GetAddressText(),
                         QString::fromStdString(m_adapter->addresses[static_cast<std::size_t>(i)]));
            }
            rig.SelectProtocol(0);
            for (int i = 0; i < 5; ++i) QVERIFY(rig.network.AddressCtrl(i)->IsWindowEnabled());
            rig.SelectProtocol(1);
            for (int i = 0; i < 5; ++i) {
                QVERIFY(!rig.network.AddressCtrl(i)->IsWindowEnabled());
                QVERIFY(!rig.network.AddressCtrl(i)->GetAddressText().IsEmpty());
            }
            // DHCP still sends the five addresses; 15 characters go without terminator.
            rig.Click(IDC_NEXT);
            QCOMPARE(m_net->SentWithCmd(19).at(0).bytes, NetworkRequest(1, m_adapter->addresses));
            QCOMPARE(rig.Visible(), 2);
        });
        QVERIFY(rec.boxes.empty());
    }

    // Addresses typed digit by digit over the shown ones, moving on with Tab as people do,
    // reach the adapter as typed; a blank field shows blank and still goes out as 0.0.0.0.
    void typedAddressesReachTheAdapter()
    {
        MessageRecorder rec;
        m_adapter->addresses[4] = "";
        m_device = MakeDevice(*m_adapter);
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] {
            QApplication::setActiveWindow(ui::qt::Widget(rig.wizard.GetSafeHwnd())->window());
            rig.Click(IDC_SKIP);
            const auto type = [](const QString& text) {
                for (QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
            };
            QVERIFY(ui::qt::probe::AddressIsBlank(
                ui::qt::Widget(rig.network.m_dns2Ctrl.GetSafeHwnd())));
            ui::qt::Widget(rig.network.GetDlgItem(IDC_NET_IP))->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            type(QStringLiteral("255.255.0.0"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            type(QStringLiteral("192.168.100.1"));
            QCOMPARE(rig.network.m_gatewayCtrl.GetAddressText(), QStringLiteral("192.168.100.1"));
            rig.Click(IDC_NEXT);
        });
        QCOMPARE(m_adapter->addresses[1], std::string("255.255.0.0"));
        QCOMPARE(m_adapter->addresses[2], std::string("192.168.100.1"));
        QCOMPARE(m_adapter->addresses[4], std::string("0.0.0.0"));
        QVERIFY(rec.boxes.empty());
    }

    void networkAnswers()
    {
        MessageRecorder rec;
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] {
            rig.Click(IDC_SKIP);
            m_adapter->refuseNetwork = true;
            rig.Click(IDC_NEXT);
            QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Set network info failed!")});
            QCOMPARE(rig.Visible(), 2);

            // Status 0, or another cmd with a non-zero status: nothing shown.
            rec.boxes.clear();
            rig.Click(IDC_BACK);
            m_adapter->refuseNetwork = false;
            rig.Click(IDC_NEXT);
            rig.Click(IDC_BACK);
            m_net->ClearResponders();
            m_net->AddResponder([](const sockets::FakeDatagram&) {
                return std::vector<sockets::FakeReply>{{sockets::FakeMessage(17, 1, kMac)}};
            });
            rig.Click(IDC_NEXT);
            QVERIFY(rec.boxes.empty());
            QCOMPARE(rig.Visible(), 2);
        });
    }

    // About 20 seconds of silence: the write is not shown as done; the page stays with what
    // was typed, and Skip still moves on.
    void silentDeviceTimesOutAndThePageStays()
    {
        MessageRecorder rec;
        m_adapter->silent = true;
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] {
            auto* page = dynamic_cast<wizard::CSystemPage*>(rig.wizard.GetPage(0));
            page->m_descriptionEdit.SetWindowText("Typed here");
            auto start = m_api->Now();
            rig.Click(IDC_NEXT);
            QCOMPARE(m_api->Now() - start, std::chrono::milliseconds(20000));
            QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Time out:set system info!")});
            QCOMPARE(rig.Visible(), 0);
            QCOMPARE(page->m_descriptionEdit.GetWindowText(), QStringLiteral("Typed here"));
            rec.boxes.clear();
            rig.Click(IDC_SKIP);
            start = m_api->Now();
            rig.Click(IDC_NEXT);
            QCOMPARE(m_api->Now() - start, std::chrono::milliseconds(20000));
            QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Time out:set network info!")});
            QCOMPARE(rig.Visible(), 1);
            m_adapter->silent = false;
            rec.boxes.clear();
            rig.Click(IDC_NEXT);
            QVERIFY(rec.boxes.empty());
            QCOMPARE(rig.Visible(), 2);
        });
    }

    void socketFailureKeepsThePage()
    {
        MessageRecorder rec;
        Rig rig(*m_api, m_device);
        RunModal(rig.wizard, [&] {
            m_api->faults.startupResult = 10091;
            rig.Click(IDC_NEXT);
            QCOMPARE(
                rec.Texts(),
                QStringList{QStringLiteral("Network communication failed with error 10091\n")});
            QCOMPARE(rig.Visible(), 0);
            QVERIFY(!rig.BackEnabled());
            rig.Click(IDC_SKIP);
            m_api->faults.startupResult = 0;
            m_api->faults.failOpenUdp = true;
            rec.boxes.clear();
            rig.Click(IDC_NEXT);
            QCOMPARE(rec.Texts(),
                     QStringList{QStringLiteral("Network communication failed with error 0\n")});
            QCOMPARE(rig.Visible(), 1);
            QCOMPARE(rig.NextCaption(), QStringLiteral("Next >>"));
        });
        QVERIFY(m_net->Sent().empty());
    }

private:
    std::unique_ptr<sockets::FakeNetwork> m_net;
    std::unique_ptr<sockets::FakeSocketApi> m_api;
    sockets::FakeAdapter* m_adapter = nullptr;
    protocol::DeviceInfo m_device;
};

int main(int argc, char** argv)
{
    // A zone with daylight-saving time, fixed so the carry and DST cases mean the same on
    // every machine (POSIX rule: no zone database needed).
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    QApplication app(argc, argv);
    const auto uiSystem = ui::qt::AttachSystem();
    res::InstallResources();
    WizardDlgTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_wizard_dlg.moc"
