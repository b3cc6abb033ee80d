// The window and `dravmoor` over the same adapter replies: the device list row, panel and
// disk texts against `discover`/`status`, and what the wizard sends for unchanged pages
// against `set-system`/`set-network` with no options. Prints the table of both.
#include <QAbstractButton>
#include <QApplication>
#include <QDateTimeEdit>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>

#include "app/main_dlg.h"
#include "cli/commands.h"
#include "platform/netdrive/fake_netdrive.h"
#include "platform/shell/recording_url_opener.h"
#include "platform/sockets/fake_sockets.h"
#include "protocol/display.h"
#include "protocol/wire.h"
#include "res/resource.h"
#include "res/resources.h"
#include "ui/cdialog.h"
#include "ui/qt/qt_backend.h"

namespace {

const sockets::FakeAdapter::MacBytes kMac{0x02, 0x44, 0x4d, 0x00, 0x00, 0x01};
const char* kMacText = "02:44:4d:00:00:01";

// The bytes as C escapes, for the table.
std::string Escaped(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f) {
            out.push_back(static_cast<char>(c));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        }
    }
    return out;
}

// One adapter with its texts and clock, seen through both front ends.
struct Seen {
    // Texts: device list row / `discover` name, panel / `status` description and firmware,
    // disk list / `status` share name.
    std::array<std::string, 4> window, cli;
    std::string pickers;  // the wizard's date and time pickers, yyyyMMdd hhmmss
    // SET_SYSTEM_INFO and SET_NETWORK_INFO payloads (empty: nothing sent).
    std::vector<std::uint8_t> wizardSystem, cliSystem, wizardNetwork, cliNetwork;
    QStringList boxes;
};

class Run {
public:
    Run() : m_api(m_net), adapter(m_net.AddAdapter(kMac))
    {
        m_previous = ui::SetMessageBoxHandler([this](const ui::MessageBoxRequest& r) {
            m_seen.boxes << ui::qt::ToQString(r.text);
            return IDOK;
        });
    }
    ~Run() { ui::SetMessageBoxHandler(m_previous); }

    Seen Go()
    {
        Window();
        Cli();
        return m_seen;
    }

    sockets::FakeAdapter& Adapter() { return adapter; }

private:
    std::vector<std::uint8_t> Payload(std::uint16_t cmd)
    {
        const auto sent = m_net.SentWithCmd(cmd);
        if (sent.empty()) return {};
        return {sent.back().bytes.begin() + protocol::kHeaderSize, sent.back().bytes.end()};
    }

    void Window()
    {
        netdrive::FakeNetDrive drives;
        shell::RecordingUrlOpener urls;
        app::Services services{m_api, drives, urls};
        app::CMainDlg dlg(services);
        QTimer::singleShot(0, [&] {
            dlg.m_deviceList.SetCurSel(0);
            dlg.QueryDeviceStatus();
            m_seen.window = {
                dlg.m_deviceList.GetText(0).str(), dlg.m_description.GetWindowText().str(),
                dlg.m_firmware.GetWindowText().str(), dlg.m_diskList.GetItemText(0, 0).str()};
            m_net.ClearSent();
            DriveWizard(ui::qt::Widget(dlg.GetSafeHwnd()));
            dlg.OnWizard();
            m_seen.wizardSystem = Payload(protocol::CMD_SET_SYSTEM_INFO);
            m_seen.wizardNetwork = Payload(protocol::CMD_SET_NETWORK_INFO);
            dlg.EndDialog(IDCANCEL);
        });
        dlg.DoModal();
    }

    // Once the wizard is up: reads the pickers, then Next on the system and network pages.
    void DriveWizard(QWidget* mainWindow)
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == mainWindow || !modal->isVisible()) {
            QTimer::singleShot(1, [this, mainWindow] { DriveWizard(mainWindow); });
            return;
        }
        for (QDateTimeEdit* e : modal->findChildren<QDateTimeEdit*>()) {
            if (e->displayedSections() & QDateTimeEdit::DaySection)
                m_seen.pickers =
                    e->date().toString(QStringLiteral("yyyyMMdd")).toStdString() + m_seen.pickers;
            else
                m_seen.pickers += " " + e->time().toString(QStringLiteral("hhmmss")).toStdString();
        }
        for (int page = 0; page < 2; ++page) {
            // Next keeps its id while its caption changes on the last page.
            if (auto* next = qobject_cast<QAbstractButton*>(
                    modal->findChild<QWidget*>(QStringLiteral("ctl%1").arg(IDC_NEXT))))
                next->click();
        }
        modal->close();  // Cancel on the last page
    }

    int Cli(const std::vector<std::string>& args, std::string* out = nullptr)
    {
        cli::Io io;
        io.out = std::tmpfile();
        io.err = std::tmpfile();
        const int rc = cli::Run(args, m_api, io);
        if (out) {
            std::rewind(io.out);
            for (int c; (c = std::fgetc(io.out)) != EOF;) out->push_back(static_cast<char>(c));
        }
        std::fclose(io.out);
        std::fclose(io.err);
        return rc;
    }

    void Cli()
    {
        std::string discover, status;
        Cli({"--json", "discover"}, &discover);
        Cli({"--json", "status", kMacText}, &status);
        const auto d = nlohmann::json::parse(discover);
        const auto s = nlohmann::json::parse(status);
        m_seen.cli = {d["devices"][0]["name"], s["description"], s["firmware"],
                      s["disks"].empty() ? std::string() : std::string(s["disks"][0]["shareName"])};
        m_net.ClearSent();
        Cli({"set-system", kMacText});
        m_seen.cliSystem = Payload(protocol::CMD_SET_SYSTEM_INFO);
        Cli({"set-network", kMacText});
        m_seen.cliNetwork = Payload(protocol::CMD_SET_NETWORK_INFO);
    }

    sockets::FakeNetwork m_net;
    sockets::FakeSocketApi m_api;
    sockets::FakeAdapter& adapter;
    ui::MessageBoxHandler m_previous;
    Seen m_seen;
};

// Left-aligned in `width` terminal columns, so the table lines up for any script.
std::string Pad(const std::string& utf8, std::size_t width)
{
    const std::size_t w = protocol::DisplayWidth(utf8);
    return utf8 + std::string(w < width ? width - w : 1, ' ');
}

std::string Field(const std::vector<std::uint8_t>& p, std::size_t at, std::size_t width)
{
    if (p.size() < at + width) return "(nothing sent)";
    return std::string(p.begin() + static_cast<long>(at),
                       p.begin() + static_cast<long>(at + width));
}

}  // namespace

class FrontEndsTest : public QObject {
    Q_OBJECT

private slots:
    void textsAgree()
    {
        struct Case {
            const char* what;
            std::string bytes;
        };
        const Case cases[] = {
            {"ASCII", "NAS-Office"},
            {"UTF-8", "NAS-B\xc3\xbcro"},
            {"Latin-1", "NAS-B\xfcro"},
            {"mixed", "NAS-\xc3\xa9\xe9"},
            {"full width", "\xef\xbc\xae\xef\xbc\xa1\xef\xbc\xb3"},
            {"CJK", "\xe5\xad\x98\xe5\x82\xa8"},
            {"cut UTF-8", "NAS-\xe4\xb8"},
        };
        std::printf("\n%-10s | %-37s| %-14s| %-14s| %s\n", "case", "wire bytes", "window",
                    "dravmoor", "writes (wizard / set-system)");
        for (const Case& c : cases) {
            Run run;
            run.Adapter().name = c.bytes;
            run.Adapter().description = c.bytes;
            run.Adapter().firmware = c.bytes.substr(0, 4);
            run.Adapter().disks = {{c.bytes, "sda1", "NTFS", 953, 37}};
            const Seen seen = run.Go();
            QCOMPARE(seen.window, seen.cli);
            QCOMPARE(seen.wizardSystem, seen.cliSystem);
            // The wizard reaches its network page only past the system page.
            if (!seen.wizardSystem.empty()) QCOMPARE(seen.wizardNetwork, seen.cliNetwork);
            const bool ascii = std::string(c.what) == "ASCII";
            QCOMPARE(seen.wizardSystem.empty(), !ascii);  // the description check holds both
            std::printf("%-10s | %s| %s| %s| %s\n", c.what, Pad(Escaped(c.bytes), 37).c_str(),
                        Pad(seen.window[1], 14).c_str(), Pad(seen.cli[1], 14).c_str(),
                        ascii ? "same 96 bytes" : "refused by both");
        }
    }

    void datesAndAddressesAgree()
    {
        struct Case {
            const char* date;
            const char* time;
            std::uint8_t ipMode;
            const char* dns2;
        };
        const Case cases[] = {
            {"20250230", "120000", 0, "192.0.2.54"},  // February 30th: carried into March
            {"20241301", "000000", 0, "192.0.2.54"},  // month 13: January of the next year
            {"20250101", "250000", 1, ""},            // hour 25: the next day
            {"20250100", "123456", 2, "010.0.0.1"},   // day 0: the last day of December
            {"2025  01", "1 2 3 ", 0, "1.2.3"},       // pieces read like atoi
        };
        std::printf("\n%-9s %-7s %-4s %-10s | %-15s | %-14s | %-14s | %-9s | %s\n", "date", "time",
                    "mode", "dns2", "pickers", "wizard sends", "set-system", "modes",
                    "dns2 sent (wizard / set-network)");
        for (const Case& c : cases) {
            Run run;
            run.Adapter().date = c.date;
            run.Adapter().time = c.time;
            run.Adapter().ipMode = c.ipMode;
            run.Adapter().addresses[4] = c.dns2;
            const Seen seen = run.Go();
            QCOMPARE(seen.wizardSystem, seen.cliSystem);
            QCOMPARE(seen.wizardNetwork, seen.cliNetwork);
            QVERIFY(!seen.wizardSystem.empty() && !seen.wizardNetwork.empty());
            const std::string sent =
                Field(seen.wizardSystem, 81, 8) + " " + Field(seen.wizardSystem, 89, 6);
            QCOMPARE(seen.pickers, sent);
            std::printf("%-9s %-7s %-4d %-10s | %-15s | %-14s | %-14s | %d / %-5d | %s / %s\n",
                        c.date, c.time, c.ipMode, c.dns2, seen.pickers.c_str(), sent.c_str(),
                        (Field(seen.cliSystem, 81, 8) + " " + Field(seen.cliSystem, 89, 6)).c_str(),
                        seen.wizardNetwork[0], seen.cliNetwork[0],
                        Field(seen.wizardNetwork, 61, 15).c_str(),
                        Field(seen.cliNetwork, 61, 15).c_str());
        }
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    res::InstallResources();
    ui::qt::SetupApplicationLook();
    const auto uiSystem = ui::qt::AttachSystem();
    FrontEndsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_front_ends.moc"
