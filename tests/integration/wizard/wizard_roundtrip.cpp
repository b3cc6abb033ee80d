// The real wizard code over real sockets against dravmoor-sim (run inside a private network
// namespace by run_roundtrip.sh): verify, change every setting through the pages, finish,
// then a fresh status query must report what was set.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/sockets/private_network.h"
#include "platform/sockets/sockets.h"
#include "protocol/discovery.h"
#include "protocol/status_query.h"
#include "res/resource.h"
#include "res/resources.h"
#include "tests/support/gui_support.h"
#include "ui/cdialog.h"
#include "ui/qt/qt_backend.h"
#include "verify/verification_rule.h"
#include "wizard/launch_wizard.h"

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    if (!ok) ++g_failures;
}

class Collect : public protocol::DiscoveryView {
public:
    void AddDevice(std::unique_ptr<protocol::DeviceInfo> d) override
    {
        devices.push_back(std::move(d));
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::unique_ptr<protocol::DeviceInfo>> devices;
    std::vector<std::string> messages;
};

class Panel : public protocol::StatusView {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ClearDeviceInfo() override {}
    void ShowPanel(const protocol::DeviceInfo&) override {}
    void ShowDisks(const std::vector<protocol::Disk>&) override {}
    void EnableDeviceCommands() override {}
    std::vector<std::string> messages;
};

bool Query(sockets::SocketApi& api, protocol::DeviceInfo& d)
{
    Panel panel;
    return protocol::QueryDeviceStatus(api, d, panel) == protocol::StatusResult::Completed;
}

using gui_test::ButtonByText;

template <std::size_t N>
std::string Text(const std::array<char, N>& f)
{
    return protocol::FieldText(f);
}

}  // namespace

int main(int argc, char** argv)
{
    if (!sockets::RequirePrivateNetworkNamespace("wizard_roundtrip")) return 1;
    QApplication app(argc, argv);
    const auto uiSystem = ui::qt::AttachSystem();
    res::InstallResources();
    std::vector<std::string> boxes;
    ui::SetMessageBoxHandler([&](const ui::MessageBoxRequest& r) {
        boxes.push_back(r.text.str());
        return IDOK;
    });
    auto api = sockets::CreateSystemSocketApi();

    Collect found;
    protocol::DiscoverDevices(*api, found);
    Check(!found.devices.empty(), "the simulator was discovered");
    if (found.devices.empty()) return 1;
    protocol::DeviceInfo& device = *found.devices.front();
    Check(Query(*api, device), "first status query");
    Check(device.passwordRequired != 0, "the adapter asks for the administrator");

    // Verification through the dialog, as a user fills it.
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        for (auto* e : modal->findChildren<QLineEdit*>()) e->setText(QStringLiteral("admin"));
        if (auto* ok = ButtonByText(modal, QStringLiteral("OK"))) ok->click();
        if (modal->isVisible()) modal->close();
    });
    Check(verify::ApplyVerificationRule(*api, device), "verification accepted");

    wizard::SetupWizard setup(*api, device);
    wizard::CWizardDlg& wiz = setup.frame;
    wizard::CSystemPage& systemPage = setup.system;
    wizard::CNetworkPage& networkPage = setup.network;
    // Past January 2038: the date travels as digits, not as a 32-bit count.
    const QDateTime target(QDate(2041, 11, 2), QTime(6, 5, 4));
    const ui::DateTime picked{2041, 11, 2, 6, 5, 4};
    QTimer::singleShot(0, [&] {
        systemPage.m_descriptionEdit.SetWindowText("Round trip 42");
        systemPage.m_noPasswordCheck.SetCheck(1);
        systemPage.m_timezoneCombo.SetCurSel(61);
        systemPage.m_datePicker.SetTime(picked);
        systemPage.m_timePicker.SetTime(picked);
        wiz.OnNext();
        auto* combo =
            qobject_cast<QComboBox*>(ui::qt::Widget(networkPage.GetDlgItem(IDC_PROTOCOL)));
        combo->setCurrentIndex(0);
        emit combo->activated(0);
        networkPage.m_ipCtrl.SetAddressText("192.0.2.77");
        networkPage.m_maskCtrl.SetAddressText("255.255.255.0");
        networkPage.m_gatewayCtrl.SetAddressText("192.0.2.1");
        networkPage.m_dns1Ctrl.SetAddressText("192.0.2.53");
        networkPage.m_dns2Ctrl.SetAddressText("255.255.255.255");
        wiz.OnNext();
        wiz.OnNext();  // "&Finished"
        if (ui::qt::Widget(wiz.GetSafeHwnd()) != nullptr &&
            ui::qt::Widget(wiz.GetSafeHwnd())->isVisible())
            wiz.EndDialog(IDCANCEL);
    });
    Check(wiz.DoModal() == IDOK, "wizard finished");
    Check(boxes.empty(), "no message boxes");
    for (const auto& b : boxes) std::printf("  box: %s\n", b.c_str());

    protocol::DeviceInfo after = device;
    Check(Query(*api, after), "second status query");
    Check(Text(after.description) == "Round trip 42", "description: " + Text(after.description));
    Check(after.passwordRequired == 0, "password flag cleared");
    Check(after.timezone == 61, "timezone 61: " + std::to_string(after.timezone));
    // The simulated clock keeps running from what was set.
    const QDateTime reported =
        QDateTime::fromString(QString::fromStdString(Text(after.date) + Text(after.time)),
                              QStringLiteral("yyyyMMddHHmmss"));
    const qint64 drift = target.secsTo(reported);
    Check(reported.isValid() && drift >= 0 && drift < 120,
          "date and time: " + Text(after.date) + " " + Text(after.time));
    Check(after.ipMode == 0, "static addressing");
    Check(Text(after.ipAddress) == "192.0.2.77", "ip: " + Text(after.ipAddress));
    Check(Text(after.subnetMask) == "255.255.255.0", "mask: " + Text(after.subnetMask));
    Check(Text(after.gateway) == "192.0.2.1", "gateway: " + Text(after.gateway));
    Check(Text(after.dns1) == "192.0.2.53", "dns1: " + Text(after.dns1));
    Check(Text(after.dns2) == "255.255.255.255", "dns2: " + Text(after.dns2));

    // Typed over the boxes' entries, as a user does: each text that names an entry reaches the
    // adapter as that entry's position; one that names none sends nothing.
    {
        boxes.clear();
        protocol::DeviceInfo current = after;
        wizard::SetupWizard typing(*api, current);
        protocol::DeviceInfo seen = after;
        const auto type = [](ui::CDialog& page, int id, const char* text) {
            auto* combo = qobject_cast<QComboBox*>(ui::qt::Widget(page.GetDlgItem(id)));
            combo->setFocus();
            combo->lineEdit()->selectAll();
            QTest::keyClicks(combo->lineEdit(), QString::fromUtf8(text));
        };
        // The adapter's timezone now, checked against what the step before should have sent.
        const auto expectTimezone = [&](int expected, const std::string& what) {
            Query(*api, seen);
            Check(seen.timezone == expected, what + ": " + std::to_string(seen.timezone));
        };
        QTimer::singleShot(0, [&] {
            wizard::CWizardDlg& w = typing.frame;
            type(typing.system, IDC_TIMEZONE, "nowhere");
            w.OnNext();
            Check(w.GetCurrentPage() == 0 && boxes.size() == 1,
                  "\"nowhere\": the page stays, told");
            expectTimezone(61, "\"nowhere\" sent nothing");
            type(typing.system, IDC_TIMEZONE, "(GMT+01:00) Brussels");
            w.OnNext();
            expectTimezone(29, "\"(GMT+01:00) Brussels\"");
            w.OnBack();
            typing.system.m_timezoneCombo.SetCurSel(0);
            w.OnNext();
            expectTimezone(0, "entry 0 chosen");
            w.OnBack();
            type(typing.system, IDC_TIMEZONE, "brussels");
            w.OnNext();
            expectTimezone(29, "\"brussels\"");
            type(typing.network, IDC_PROTOCOL, "nowhere");
            w.OnNext();
            Check(w.GetCurrentPage() == 1 && boxes.size() == 2, "mode \"nowhere\": the page stays");
            type(typing.network, IDC_PROTOCOL, "dhcp");
            w.OnNext();
            w.OnNext();  // "&Finished"
            if (w.GetSafeHwnd() && ui::qt::Widget(w.GetSafeHwnd())->isVisible())
                w.EndDialog(IDCANCEL);
        });
        Check(typing.frame.DoModal() == IDOK, "typed wizard finished");
        protocol::DeviceInfo typed = after;
        Check(Query(*api, typed), "third status query");
        Check(typed.timezone == 29, "typed timezone: " + std::to_string(typed.timezone));
        Check(typed.ipMode == 1, "typed mode dhcp: " + std::to_string(typed.ipMode));
        for (const auto& b : boxes) std::printf("  box: %s\n", b.c_str());
    }
    std::printf("%s\n", g_failures == 0 ? "PASS" : "FAIL");
    return g_failures == 0 ? 0 : 1;
}
