// The verification dialog and the rule that gates the Setup wizard and Share mapping: when
// it shows, what it sends, which answers end it, the Return-key walk and the input limits.
#include <QLineEdit>
#include <QtTest>

#include "res/resources.h"
#include "verify/verification_rule.h"
#include "verify/verify_dlg.h"
#include "wizard/launch_wizard.h"
#include "wizard_gui_support.h"

using namespace wizard_test;

namespace {

QLineEdit* Edit(ui::CDialog& dlg, int id)
{
    return qobject_cast<QLineEdit*>(ui::qt::Widget(dlg.GetDlgItem(id)));
}

// The name and password edits of a verification dialog we hold no pointer to.
QLineEdit* FindEdit(QWidget* root, bool password)
{
    for (auto* e : root->findChildren<QLineEdit*>()) {
        if ((e->echoMode() != QLineEdit::Normal) == password) return e;
    }
    return nullptr;
}

// Typing as a keyboard layout with these characters does (QTest's key clicks are ASCII only).
void Type(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

std::vector<std::uint8_t> VerifyRequest(const std::string& user, const std::string& password)
{
    std::vector<std::uint8_t> payload(32, 0);
    Put(payload, 0, user.substr(0, 16));
    Put(payload, 16, password.substr(0, 8));
    return Request(21, payload);
}

}  // namespace

class VerifyDlgTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_uiSystem = ui::qt::AttachSystem();
        res::InstallResources();
    }

    void init()
    {
        m_api.reset();  // the host must leave the old segment before it goes
        m_net = std::make_unique<sockets::FakeNetwork>();
        m_api = std::make_unique<sockets::FakeSocketApi>(*m_net);
        m_adapter = &m_net->AddAdapter(kMac);
        m_adapter->passwordRequired = 1;
        m_device = MakeDevice(*m_adapter);
    }
    void cleanup()
    {
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(m_api->Balanced());
    }

    void unprotectedDeviceNeverAsks()
    {
        m_device.passwordRequired = 0;
        MessageRecorder rec;
        QVERIFY(verify::ApplyVerificationRule(*m_api, m_device));
        QVERIFY(m_net->Sent().empty());
        QVERIFY(rec.boxes.empty());
    }

    void cancelAbandonsTheCommand()
    {
        MessageRecorder rec;
        const protocol::DeviceInfo before = m_device;
        bool shown = false;
        OnNextModal([&](QWidget* modal) {
            shown = true;
            FindEdit(modal, false)->setText(QStringLiteral("admin"));
            ButtonByText(modal, QStringLiteral("Cancel"))->click();
        });
        QVERIFY(!verify::ApplyVerificationRule(*m_api, m_device));
        QVERIFY(shown);
        QVERIFY(m_net->Sent().empty());
        QVERIFY(std::memcmp(&before.name, &m_device.name, sizeof before.name) == 0);
        QCOMPARE(m_device.passwordRequired, before.passwordRequired);

        // The Setup wizard command stops there too: result 0, so the list is left alone.
        OnNextModal([&](QWidget* modal) { modal->close(); });
        QCOMPARE(wizard::LaunchSetupWizard(*m_api, m_device), 0);
        QVERIFY(m_net->Sent().empty());
        QVERIFY(rec.boxes.empty());
    }

    void confirmedVerificationLetsTheCommandGoOn()
    {
        MessageRecorder rec;
        OnNextModal([&](QWidget* modal) {
            FindEdit(modal, false)->setText(QStringLiteral("admin"));
            FindEdit(modal, true)->setText(QStringLiteral("admin"));
            ButtonByText(modal, QStringLiteral("OK"))->click();
        });
        QVERIFY(verify::ApplyVerificationRule(*m_api, m_device));
        QVERIFY(rec.boxes.empty());
        const auto sent = m_net->SentWithCmd(21);
        QCOMPARE(sent.size(), std::size_t{1});
        QCOMPARE(sent[0].bytes, VerifyRequest("admin", "admin"));
        QCOMPARE(sent[0].addr, sockets::kAddrBroadcast);
        QCOMPARE(sent[0].port, std::uint16_t{1638});
    }

    // Refusal, silence and a foreign answer keep the dialog open with the texts in place and
    // OK enabled, so the user can correct and retry.
    void failuresKeepTheDialogOpen()
    {
        MessageRecorder rec;
        verify::CVerifyDlg dlg(*m_api);
        dlg.SetDevice(&m_device);
        const int result = RunModal(dlg, [&] {
            QLineEdit* name = Edit(dlg, IDC_VERIFY_NAME);
            QLineEdit* password = Edit(dlg, IDC_VERIFY_PASSWORD);
            QAbstractButton* ok = Button(dlg, IDC_VERIFY_OK);
            name->setText(QStringLiteral("admin"));
            password->setText(QStringLiteral("wrong"));
            // OK stays disabled while the message is up: no second exchange can start. The
            // focus it had is on no other button meanwhile (Space would press that one), and
            // comes back to it.
            bool okEnabledDuringBox = true;
            QWidget* focusDuringBox = ok;
            rec.onShow = [&] {
                okEnabledDuringBox = ok->isEnabled();
                focusDuringBox = ui::qt::Widget(dlg.GetSafeHwnd())->focusWidget();
            };

            ok->setFocus();
            QTest::keyClick(ok, Qt::Key_Space);
            QVERIFY(!okEnabledDuringBox);
            QVERIFY(qobject_cast<QAbstractButton*>(focusDuringBox) == nullptr);
            QCOMPARE(ui::qt::Widget(dlg.GetSafeHwnd())->focusWidget(), ok);
            rec.onShow = nullptr;
            QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Verify failed!")});
            QVERIFY(ui::qt::Widget(dlg.GetSafeHwnd())->isVisible());
            QVERIFY(ok->isEnabled());
            QCOMPARE(name->text(), QStringLiteral("admin"));
            QCOMPARE(password->text(), QStringLiteral("wrong"));

            rec.boxes.clear();
            m_adapter->silent = true;
            const auto start = m_api->Now();
            ok->click();
            QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Time out:Verify name & password!")});
            QCOMPARE(m_api->Now() - start, std::chrono::milliseconds(4000));
            QVERIFY(ui::qt::Widget(dlg.GetSafeHwnd())->isVisible());
            QVERIFY(ok->isEnabled());

            rec.boxes.clear();
            m_adapter->silent = false;
            m_adapter->replyCmd = std::uint16_t{17};
            ok->click();
            QVERIFY(rec.boxes.empty());
            QVERIFY(ui::qt::Widget(dlg.GetSafeHwnd())->isVisible());
            QVERIFY(ok->isEnabled());

            // No socket: the failure is shown and OK comes back (otherwise only Cancel is left).
            m_api->faults.failOpenUdp = true;
            const auto sentBefore = m_net->Sent().size();
            ok->click();
            QCOMPARE(rec.boxes.size(), std::size_t{1});
            QCOMPARE(m_net->Sent().size(), sentBefore);
            QVERIFY(ok->isEnabled());
            QVERIFY(ui::qt::Widget(dlg.GetSafeHwnd())->isVisible());

            m_api->faults.failOpenUdp = false;
            m_adapter->replyCmd.reset();
            password->setText(QStringLiteral("admin"));
            ok->click();
        });
        QCOMPARE(result, IDOK);
        QCOMPARE(m_net->SentWithCmd(21).size(), std::size_t{4});
    }

    void returnWalksTheTabOrderAndNeverCloses()
    {
        MessageRecorder rec;
        verify::CVerifyDlg dlg(*m_api);
        dlg.SetDevice(&m_device);
        const int result = RunModal(dlg, [&] {
            QWidget* window = ui::qt::Widget(dlg.GetSafeHwnd())->window();
            QApplication::setActiveWindow(window);
            QWidget* name = ui::qt::Widget(dlg.GetDlgItem(IDC_VERIFY_NAME));
            name->setFocus();
            QCOMPARE(QApplication::focusWidget(), name);
            const std::vector<int> walk{IDC_VERIFY_PASSWORD, IDC_VERIFY_OK, IDCANCEL,
                                        IDC_VERIFY_NAME};
            for (int id : walk) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                QCOMPARE(QApplication::focusWidget(), ui::qt::Widget(dlg.GetDlgItem(id)));
                QVERIFY(ui::qt::Widget(dlg.GetSafeHwnd())->isVisible());
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
            QCOMPARE(QApplication::focusWidget(),
                     ui::qt::Widget(dlg.GetDlgItem(IDC_VERIFY_PASSWORD)));
            QVERIFY(m_net->Sent().empty());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        QCOMPARE(result, IDCANCEL);
        QVERIFY(m_net->Sent().empty());
        QVERIFY(rec.boxes.empty());
    }

    // 16 and 8 characters fill their fields with no terminator; no more can be typed.
    void fieldLimits()
    {
        MessageRecorder rec;
        m_adapter->adminUser = "abcdefghijklmnop";
        m_adapter->adminPassword = "12345678";
        verify::CVerifyDlg dlg(*m_api);
        dlg.SetDevice(&m_device);
        const int result = RunModal(dlg, [&] {
            QTest::keyClicks(Edit(dlg, IDC_VERIFY_NAME), QStringLiteral("abcdefghijklmnopq"));
            QTest::keyClicks(Edit(dlg, IDC_VERIFY_PASSWORD), QStringLiteral("123456789"));
            QCOMPARE(Edit(dlg, IDC_VERIFY_NAME)->text().size(), 16);
            QCOMPARE(Edit(dlg, IDC_VERIFY_PASSWORD)->text().size(), 8);
            Button(dlg, IDC_VERIFY_OK)->click();
        });
        QCOMPARE(result, IDOK);
        const auto sent = m_net->SentWithCmd(21);
        QCOMPARE(sent.size(), std::size_t{1});
        QCOMPARE(sent[0].bytes, VerifyRequest("abcdefghijklmnop", "12345678"));

        // The limits count bytes, as the fields do: "pässwörd" (10 bytes) stops at "pässwö",
        // and a character that would straddle the 16th byte of the name is refused whole.
        m_net->ClearSent();
        verify::CVerifyDlg wide(*m_api);
        wide.SetDevice(&m_device);
        RunModal(wide, [&] {
            Type(Edit(wide, IDC_VERIFY_NAME), QStringLiteral("Administratorin\u00e4"));
            Type(Edit(wide, IDC_VERIFY_PASSWORD), QStringLiteral("p\u00e4ssw\u00f6rd"));
            QCOMPARE(Edit(wide, IDC_VERIFY_NAME)->text(), QStringLiteral("Administratorin"));
            QCOMPARE(Edit(wide, IDC_VERIFY_PASSWORD)->text(), QStringLiteral("p\u00e4ssw\u00f6"));
            Button(wide, IDC_VERIFY_OK)->click();
        });
        QCOMPARE(m_net->SentWithCmd(21).at(0).bytes,
                 VerifyRequest("Administratorin", "p\xC3\xA4ssw\xC3\xB6"));
        rec.boxes.clear();

        // Empty texts are not checked first: they go out as zeros.
        m_net->ClearSent();
        verify::CVerifyDlg empty(*m_api);
        empty.SetDevice(&m_device);
        RunModal(empty, [&] { Button(empty, IDC_VERIFY_OK)->click(); });
        QCOMPARE(m_net->SentWithCmd(21).at(0).bytes, VerifyRequest("", ""));
        QCOMPARE(rec.Texts(), QStringList{QStringLiteral("Verify failed!")});
    }

private:
    std::unique_ptr<ui::UiSystem> m_uiSystem;
    std::unique_ptr<sockets::FakeNetwork> m_net;
    std::unique_ptr<sockets::FakeSocketApi> m_api;
    sockets::FakeAdapter* m_adapter = nullptr;
    protocol::DeviceInfo m_device;
};

QTEST_MAIN(VerifyDlgTest)
#include "tst_verify_dlg.moc"
