// The share mapping dialog over the fake drive table: what it offers and lists when it opens,
// mapping and unmapping with the system's refusals, the Return key, and the Share mapping
// command's verification gate.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <functional>

#include "platform/netdrive/fake_netdrive.h"
#include "platform/sockets/fake_sockets.h"
#include "res/resource.h"
#include "res/resources.h"
#include "sharemap/launch_sharemap.h"
#include "sharemap/share_map_dlg.h"
#include "tests/support/gui_support.h"
#include "ui/cdialog.h"
#include "ui/qt/test_probe.h"

namespace {

using gui_test::MessageRecorder;
using gui_test::RunModal;
namespace probe = ui::qt::probe;

const QString kMusicY = QStringLiteral("\\\\10.0.0.5\\music");

template <std::size_t N>
void SetField(std::array<char, N>& field, const char* text)
{
    field.fill('\0');
    std::memcpy(field.data(), text, std::min(std::strlen(text), N - 1));
}

protocol::ShareEntry Share(const char* name)
{
    protocol::ShareEntry e;
    std::memcpy(e.bytes.data(), name, std::min(std::strlen(name), e.bytes.size()));
    return e;
}

// Our own wrappers on the dialog's controls, as a user sees them.
struct View {
    explicit View(ui::CDialog& dlg)
    {
        list.SubclassDlgItem(IDC_MAPPED_LIST, &dlg);
        drives.SubclassDlgItem(IDC_DRIVE_COMBO, &dlg);
        shares.SubclassDlgItem(IDC_SHARE_COMBO, &dlg);
        user = qobject_cast<QLineEdit*>(ui::qt::Widget(dlg.GetDlgItem(IDC_MAP_USER)));
        password = qobject_cast<QLineEdit*>(ui::qt::Widget(dlg.GetDlgItem(IDC_MAP_PASSWORD)));
        shareBox = qobject_cast<QComboBox*>(ui::qt::Widget(dlg.GetDlgItem(IDC_SHARE_COMBO)));
        driveBox = qobject_cast<QComboBox*>(ui::qt::Widget(dlg.GetDlgItem(IDC_DRIVE_COMBO)));
        map = qobject_cast<QAbstractButton*>(ui::qt::Widget(dlg.GetDlgItem(IDC_MAP)));
        unmap = qobject_cast<QAbstractButton*>(ui::qt::Widget(dlg.GetDlgItem(IDC_UNMAP)));
        unmapAll = qobject_cast<QAbstractButton*>(ui::qt::Widget(dlg.GetDlgItem(IDC_UNMAP_ALL)));
    }
    QStringList Rows() const
    {
        QStringList rows;
        for (int i = 0; i < list.GetItemCount(); ++i) {
            rows << ui::qt::ToQString(list.GetItemText(i, 0)) + QStringLiteral(" | ") +
                        ui::qt::ToQString(list.GetItemText(i, 1));
        }
        return rows;
    }
    QStringList DriveEntries() const
    {
        QStringList e;
        for (int i = 0; i < drives.GetCount(); ++i) e << ui::qt::ToQString(drives.GetLBText(i));
        return e;
    }
    int DriveIndex(const QString& text) const
    {
        return static_cast<int>(DriveEntries().indexOf(text));
    }

    ui::CListCtrl list;
    ui::CComboBox drives, shares;
    QLineEdit *user = nullptr, *password = nullptr;
    QComboBox *shareBox = nullptr, *driveBox = nullptr;
    QAbstractButton *map = nullptr, *unmap = nullptr, *unmapAll = nullptr;
};

}  // namespace

class ShareMapDlgTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_uiSystem = ui::qt::AttachSystem();
        res::InstallResources();
    }

    void init()
    {
        m_drives = std::make_unique<netdrive::FakeNetDrive>();
        m_device = protocol::DeviceInfo{};
        SetField(m_device.ipAddress, "10.0.0.5");
        m_device.shares = std::vector<protocol::ShareEntry>{Share("music"), Share("photos")};
    }
    void cleanup() { QVERIFY(QApplication::activeModalWidget() == nullptr); }

    void opensWithSharesFreeLettersAndThisDevicesConnections()
    {
        m_drives->AddLocalDrives('A', 'H');
        m_drives->AddConnection('Y', "\\\\10.0.0.5\\music");
        m_drives->AddConnection('X', "\\\\10.0.0.50\\music");
        m_drives->AddConnection('D', "\\\\10.0.0.5\\photos");  // over a local letter
        sharemap::CShareMapDlg dlg(*m_drives);
        dlg.SetDevice(&m_device);
        RunModal(dlg, [&] {
            View v(dlg);
            QCOMPARE(v.user->maxLength(), 32);
            QCOMPARE(v.password->maxLength(), 8);
            QCOMPARE(v.password->echoMode(), QLineEdit::Password);
            QWidget* list = ui::qt::Widget(v.list.GetSafeHwnd());
            QCOMPARE(probe::ExtendedStyle(list), ui::CListCtrl::LVS_EX_FULLROWSELECT);
            QCOMPARE(probe::ColumnHeading(list, 0), QStringLiteral("Share name"));
            QCOMPARE(probe::ColumnHeading(list, 1), QStringLiteral("Location"));
            QCOMPARE(probe::ColumnWidth(list, 0), 240);
            QCOMPARE(probe::ColumnWidth(list, 1), 208);

            QCOMPARE(v.shares.GetCount(), 2);
            QCOMPARE(v.shares.GetLBText(0), QStringLiteral("music"));
            QCOMPARE(v.shares.GetLBText(1), QStringLiteral("photos"));
            QCOMPARE(v.shares.GetCurSel(), -1);
            QVERIFY(v.shares.GetWindowText().IsEmpty());

            QStringList expected{QStringLiteral("Z:"), QStringLiteral("Y:  ") + kMusicY,
                                 QStringLiteral("X:  \\\\10.0.0.50\\music")};
            for (char c = 'W'; c >= 'I'; --c) expected << QStringLiteral("%1:").arg(QLatin1Char(c));
            expected << QStringLiteral("D:  \\\\10.0.0.5\\photos");
            QCOMPARE(v.DriveEntries(), expected);
            QCOMPARE(v.drives.GetCurSel(), -1);
            QVERIFY(v.drives.GetWindowText().IsEmpty());

            // 10.0.0.50 is another host, not "containing" 10.0.0.5.
            QCOMPARE(v.Rows(), (QStringList{kMusicY + QStringLiteral(" | Y:"),
                                            QStringLiteral("\\\\10.0.0.5\\photos | D:")}));
        });
    }

    void emptyShareListAndEmptyTextsMapNothing()
    {
        MessageRecorder rec;
        for (bool listed : {false, true}) {
            m_drives = std::make_unique<netdrive::FakeNetDrive>();
            m_device.shares.reset();
            if (listed) m_device.shares.emplace();
            sharemap::CShareMapDlg dlg(*m_drives);
            dlg.SetDevice(&m_device);
            RunModal(dlg, [&] {
                View v(dlg);
                QCOMPARE(v.shares.GetCount(), 0);
                v.map->click();  // both empty
                v.driveBox->setCurrentIndex(0);
                v.map->click();  // share empty
                v.shareBox->setEditText(QStringLiteral("typed"));
                v.driveBox->setEditText(QString());
                v.map->click();  // drive empty
                QVERIFY(m_drives->connectCalls().empty());
                // A typed share name is enough.
                v.driveBox->setCurrentIndex(v.DriveIndex(QStringLiteral("Q:")));
                v.map->click();
                QCOMPARE(m_drives->connectCalls().size(), std::size_t{1});
                QCOMPARE(m_drives->connectCalls()[0].remoteName,
                         std::string("\\\\10.0.0.5\\typed"));
                m_drives->Disconnect("Q:");
            });
        }
        QVERIFY(rec.boxes.empty());
    }

    void mapAppendsARowAndRefillsTheLetters()
    {
        MessageRecorder rec;
        m_drives->AddConnection('Y', "\\\\10.0.0.5\\music");
        sharemap::CShareMapDlg dlg(*m_drives);
        dlg.SetDevice(&m_device);
        RunModal(dlg, [&] {
            View v(dlg);
            v.user->setText(QStringLiteral("guest"));
            v.password->setText(QStringLiteral("pw"));
            v.shareBox->setCurrentIndex(1);
            v.driveBox->setCurrentIndex(v.DriveIndex(QStringLiteral("Z:")));
            v.map->click();
            QCOMPARE(m_drives->connectCalls().size(), std::size_t{1});
            const auto& call = m_drives->connectCalls()[0];
            QCOMPARE(call.localName, std::string("Z:"));
            QCOMPARE(call.remoteName, std::string("\\\\10.0.0.5\\photos"));
            QCOMPARE(call.user, std::string("guest"));
            QCOMPARE(call.password, std::string("pw"));
            // Appended after the rows found at opening.
            QCOMPARE(v.Rows(), (QStringList{kMusicY + QStringLiteral(" | Y:"),
                                            QStringLiteral("\\\\10.0.0.5\\photos | Z:")}));
            QCOMPARE(v.DriveEntries().value(0), QStringLiteral("Z:  \\\\10.0.0.5\\photos"));
            // Nothing is cleared.
            QCOMPARE(v.shares.GetWindowText(), QStringLiteral("photos"));
            QCOMPARE(v.user->text(), QStringLiteral("guest"));
            QCOMPARE(v.password->text(), QStringLiteral("pw"));

            // A network-drive entry gives its letter only; the system refuses a taken one.
            v.driveBox->setCurrentIndex(v.DriveIndex(QStringLiteral("Y:  ") + kMusicY));
            v.map->click();
            QCOMPARE(m_drives->connectCalls().back().localName, std::string("Y:"));
            QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Map failed!")});
            QVERIFY(rec.boxes[0].caption.IsEmpty());  // the application's own box
            QCOMPARE(v.list.GetItemCount(), 2);
            QCOMPARE(v.shares.GetWindowText(), QStringLiteral("photos"));
        });
    }

    void refusedMapKeepsEverything()
    {
        MessageRecorder rec;
        m_drives->RefuseConnect('W', netdrive::kErrInvalidPassword);
        sharemap::CShareMapDlg dlg(*m_drives);
        dlg.SetDevice(&m_device);
        RunModal(dlg, [&] {
            View v(dlg);
            const QStringList entries = v.DriveEntries();
            // A share text of any length goes to the system whole.
            const QString longShare(1000, QLatin1Char('s'));
            v.shareBox->setEditText(longShare);
            v.driveBox->setCurrentIndex(v.DriveIndex(QStringLiteral("W:")));
            v.map->click();
            QCOMPARE(m_drives->connectCalls().back().remoteName,
                     "\\\\10.0.0.5\\" + longShare.toStdString());
            QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Map failed!")});
            QCOMPARE(v.list.GetItemCount(), 0);
            QCOMPARE(v.DriveEntries(), entries);
            QCOMPARE(v.shares.GetWindowText(), longShare);
            QCOMPARE(v.drives.GetWindowText(), QStringLiteral("W:"));
        });
    }

    // The address field comes from an answer any host may have sent: only a dotted quad is
    // connected to, written without leading zeros (octal to the system's parser).
    void mapConnectsOnlyToADottedQuad_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("remote");  // empty: "Map failed!", nothing connected
        for (const char* hostile : {"evil.example", "1.2.3.4\\x", "u@1.2.3.4", "1.2.3.4.5",
                                    "1.2.3.256", "0x7f.0.0.1", ""}) {
            QTest::newRow(hostile) << QString::fromLatin1(hostile) << QString();
        }
        QTest::newRow("plain") << QStringLiteral("10.0.0.5") << kMusicY;
        QTest::newRow("leading zeros") << QStringLiteral("010.000.000.005") << kMusicY;
    }
    void mapConnectsOnlyToADottedQuad()
    {
        QFETCH(QString, address);
        QFETCH(QString, remote);
        SetField(m_device.ipAddress, address.toLatin1().constData());
        // A connection to the field's text as it stands: listed only for a real address.
        m_drives->AddConnection('Y', "\\\\" + address.toStdString() + "\\music");
        MessageRecorder rec;
        sharemap::CShareMapDlg dlg(*m_drives);
        dlg.SetDevice(&m_device);
        RunModal(dlg, [&] {
            View v(dlg);
            QCOMPARE(v.list.GetItemCount(), address == QStringLiteral("10.0.0.5") ? 1 : 0);
            v.shareBox->setCurrentIndex(0);
            v.driveBox->setCurrentIndex(v.DriveIndex(QStringLiteral("Z:")));
            v.map->click();
            if (remote.isEmpty()) {
                QVERIFY(m_drives->connectCalls().empty());
                QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Map failed!")});
                QCOMPARE(v.shares.GetWindowText(), QStringLiteral("music"));
            } else {
                QCOMPARE(m_drives->connectCalls().size(), std::size_t{1});
                QCOMPARE(QString::fromStdString(m_drives->connectCalls()[0].remoteName), remote);
                QVERIFY(rec.Texts().isEmpty());
            }
        });
    }

    void unmapRemovesOnlyWhatTheSystemRemoved()
    {
        MessageRecorder rec;
        m_drives->AddConnection('Y', "\\\\10.0.0.5\\music");
        m_drives->AddConnection('V', "\\\\10.0.0.5\\photos");
        m_drives->RefuseDisconnect('V');
        sharemap::CShareMapDlg dlg(*m_drives);
        dlg.SetDevice(&m_device);
        RunModal(dlg, [&] {
            View v(dlg);
            v.unmap->click();  // no row selected
            QVERIFY(m_drives->disconnectCalls().empty());

            probe::SelectRow(ui::qt::Widget(v.list.GetSafeHwnd()), 1, true);  // V:, refused
            const int fills = m_drives->drivesInUseCalls();
            v.unmap->click();
            QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Unmap failed!")});
            QCOMPARE(v.list.GetItemCount(), 2);
            QCOMPARE(m_drives->drivesInUseCalls(), fills);  // combo not refilled

            probe::SelectRow(ui::qt::Widget(v.list.GetSafeHwnd()), 0, true);  // Y:
            v.unmap->click();
            QCOMPARE(m_drives->disconnectCalls().back(), std::string("Y:"));
            QCOMPARE(v.Rows(), QStringList{QStringLiteral("\\\\10.0.0.5\\photos | V:")});
            QCOMPARE(v.DriveEntries().value(1), QStringLiteral("Y:"));  // free again
        });
    }

    void unmapAllWalksBackwardsAndKeepsRefusedRows()
    {
        MessageRecorder rec;
        for (char c : {'Z', 'Y', 'X', 'W'}) {
            m_drives->AddConnection(c, "\\\\10.0.0.5\\" + std::string(1, c));
        }
        m_drives->RefuseDisconnect('Y');
        m_drives->RefuseDisconnect('W');
        sharemap::CShareMapDlg dlg(*m_drives);
        dlg.SetDevice(&m_device);
        RunModal(dlg, [&] {
            View v(dlg);
            v.unmapAll->click();
            QCOMPARE(m_drives->disconnectCalls(),
                     (std::vector<std::string>{"W:", "X:", "Y:", "Z:"}));
            QCOMPARE(rec.Texts(), (QStringList{QStringLiteral("Unmap failed!"),
                                               QStringLiteral("Unmap failed!")}));
            QCOMPARE(v.Rows(), (QStringList{QStringLiteral("\\\\10.0.0.5\\Y | Y:"),
                                            QStringLiteral("\\\\10.0.0.5\\W | W:")}));
            QCOMPARE(v.DriveEntries().value(0), QStringLiteral("Z:"));
        });
    }

    void unmapAllOnAnEmptyListOnlyRefills()
    {
        MessageRecorder rec;
        sharemap::CShareMapDlg dlg(*m_drives);
        dlg.SetDevice(&m_device);
        RunModal(dlg, [&] {
            View v(dlg);
            const int fills = m_drives->drivesInUseCalls();
            v.unmapAll->click();
            QCOMPARE(m_drives->drivesInUseCalls(), fills + 1);
            QVERIFY(m_drives->disconnectCalls().empty());
            QVERIFY(rec.boxes.empty());
        });
    }

    void returnClosesLikeOkWithoutMapping()
    {
        sharemap::CShareMapDlg dlg(*m_drives);
        dlg.SetDevice(&m_device);
        const int result = RunModal(dlg, [&] {
            View v(dlg);
            v.shareBox->setEditText(QStringLiteral("music"));
            v.driveBox->setCurrentIndex(0);
            QApplication::setActiveWindow(ui::qt::Widget(dlg.GetSafeHwnd())->window());
            v.password->setFocus();
            QTest::keyClick(v.password, Qt::Key_Return);
        });
        QCOMPARE(result, IDOK);
        QVERIFY(m_drives->connectCalls().empty());
    }

    void commandAppliesTheVerificationRule()
    {
        sockets::FakeNetwork net;
        sockets::FakeSocketApi api(net);

        // No password asked: the share mapping dialog opens at once.
        QString seen;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr) return;
            seen = modal->windowTitle();
            modal->close();
        });
        sharemap::LaunchShareMapping(api, *m_drives, m_device);
        QCOMPARE(seen, QStringLiteral("Share Mapping"));

        // Password asked and cancelled: the share mapping dialog never opens.
        m_device.passwordRequired = 1;
        QStringList titles;
        std::function<void()> closeNext = [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr) return;
            titles << modal->windowTitle();
            modal->close();
            QTimer::singleShot(0, closeNext);
        };
        QTimer::singleShot(0, closeNext);
        sharemap::LaunchShareMapping(api, *m_drives, m_device);
        // Let the last queued look find nothing while `titles` still exists.
        QCoreApplication::processEvents();
        QCOMPARE(titles, QStringList{QStringLiteral("Verify")});
        QVERIFY(m_drives->connectCalls().empty());
    }

private:
    std::unique_ptr<ui::UiSystem> m_uiSystem;
    std::unique_ptr<netdrive::FakeNetDrive> m_drives;
    protocol::DeviceInfo m_device;
};

QTEST_MAIN(ShareMapDlgTest)
#include "tst_share_map_dlg.moc"
