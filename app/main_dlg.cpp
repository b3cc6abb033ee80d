#include "app/main_dlg.h"

#include "app/about_dlg.h"
#include "app/web_address.h"
#include "platform/sockets/source_port.h"
#include "protocol/display.h"
#include "res/resource.h"
#include "sharemap/launch_sharemap.h"
#include "wizard/launch_wizard.h"

namespace app {

namespace {

// The README's "Nothing found?" in short: the usual causes, the firewall first.
ui::CString NothingFoundText()
{
    return "Nothing found?\n\nCheck that the adapter is on and on the same network segment "
           "as this PC (no router or VPN between).\n\nA firewall must let in UDP to ports " +
           std::to_string(sockets::kSourcePortFirst) + "-" +
           std::to_string(sockets::kSourcePortLast) + ".\n\nThen click Refresh list.";
}

}  // namespace

// What discovery and the status query report, turned into the window's controls. Two small
// views rather than one, since both interfaces carry their own message sink.
class CMainDlg::Views {
public:
    explicit Views(CMainDlg& dlg) : discovery(dlg), status(dlg) {}

    class Discovery final : public protocol::DiscoveryView {
    public:
        explicit Discovery(CMainDlg& dlg) : m_dlg(dlg) {}
        void ShowMessage(const std::string& text) override
        {
            ui::AfxMessageBox(protocol::DecodeWireText(text));
        }
        void AddDevice(std::unique_ptr<protocol::DeviceInfo> device) override
        {
            m_dlg.AddDevice(std::move(device));
        }
        void AnsweredElsewhere(const protocol::Mac& mac, const std::string& name) override
        {
            m_dlg.m_devices.AnsweredElsewhere(mac, name);
        }

    private:
        CMainDlg& m_dlg;
    } discovery;

    class Status final : public protocol::StatusView {
    public:
        explicit Status(CMainDlg& dlg) : m_dlg(dlg) {}
        void ShowMessage(const std::string& text) override
        {
            ui::AfxMessageBox(protocol::DecodeWireText(text));
        }
        void ClearDeviceInfo() override { m_dlg.ClearDeviceInfo(); }
        void ShowPanel(const protocol::DeviceInfo& device) override
        {
            const std::array<std::string, 5> texts = protocol::PanelTexts(device);
            const std::array<ui::CStatic*, 5> targets{&m_dlg.m_firmware, &m_dlg.m_ipAddress,
                                                      &m_dlg.m_mac, &m_dlg.m_description,
                                                      &m_dlg.m_ipStatus};
            for (std::size_t i = 0; i < texts.size(); ++i) targets[i]->SetWindowText(texts[i]);
        }
        void ShowDisks(const std::vector<protocol::Disk>& disks) override
        {
            ui::CListCtrl& list = m_dlg.m_diskList;
            for (int i = list.GetItemCount() - 1; i >= 0; --i) list.DeleteItem(i);
            for (const protocol::Disk& disk : disks) {
                const std::array<std::string, 5> texts = protocol::DiskTexts(disk);
                const int row = list.InsertItem(list.GetItemCount(), texts[0]);
                for (int c = 1; c < 5; ++c)
                    list.SetItemText(row, c, texts[static_cast<std::size_t>(c)]);
            }
        }
        void EnableDeviceCommands() override
        {
            m_dlg.m_shareMappingButton.EnableWindow(true);
            m_dlg.m_webButton.EnableWindow(true);
            m_dlg.m_wizardButton.EnableWindow(true);
        }

    private:
        CMainDlg& m_dlg;
    } status;
};

CMainDlg::CMainDlg(Services& services)
    : ui::CDialog(IDD_MAIN),
      m_services(services),
      m_icon(ui::LoadIcon(IDR_MAINFRAME)),
      m_views(std::make_unique<Views>(*this))
{
    MapMessage(ui::Notify::SelChange, IDC_DEVICE_LIST, &CMainDlg::QueryDeviceStatus);
    MapMessage(ui::Notify::Clicked, IDC_ABOUT, &CMainDlg::OnAbout);
    MapMessage(ui::Notify::Clicked, IDC_QUIT, &CMainDlg::OnQuit);
    MapMessage(ui::Notify::Clicked, IDC_WIZARD, &CMainDlg::OnWizard);
    MapMessage(ui::Notify::Clicked, IDC_REFRESH, &CMainDlg::OnRefresh);
    MapMessage(ui::Notify::Clicked, IDC_WEB, &CMainDlg::OnWeb);
    MapMessage(ui::Notify::Clicked, IDC_SHARE_MAPPING, &CMainDlg::OnShareMapping);
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::DoDataExchange(ui::CDataExchange* dx)
{
    ui::CDialog::DoDataExchange(dx);
    ui::DDX_Control(dx, IDC_SHARE_MAPPING, m_shareMappingButton);
    ui::DDX_Control(dx, IDC_DISK_LIST, m_diskList);
    ui::DDX_Control(dx, IDC_IPSTATUS, m_ipStatus);
    ui::DDX_Control(dx, IDC_MAC, m_mac);
    ui::DDX_Control(dx, IDC_IPADDR, m_ipAddress);
    ui::DDX_Control(dx, IDC_FIRMWARE, m_firmware);
    ui::DDX_Control(dx, IDC_DESCRIPTION, m_description);
    ui::DDX_Control(dx, IDC_WEB, m_webButton);
    ui::DDX_Control(dx, IDC_WIZARD, m_wizardButton);
    ui::DDX_Control(dx, IDC_REFRESH, m_refreshButton);
    ui::DDX_Control(dx, IDC_QUIT, m_quitButton);
    ui::DDX_Control(dx, IDC_ABOUT, m_aboutButton);
    ui::DDX_Control(dx, IDC_DEVICE_LIST, m_deviceList);
}

bool CMainDlg::OnInitDialog()
{
    ui::CDialog::OnInitDialog();

    const ui::CString about = ui::LoadString(IDS_ABOUTBOX);
    if (!about.IsEmpty()) AppendSystemMenuItem(IDM_ABOUTBOX, about);

    SetIcon(m_icon);

    m_diskList.SetExtendedStyle(ui::CListCtrl::LVS_EX_FULLROWSELECT);
    m_diskList.InsertColumn(0, "Share Name", 110);
    m_diskList.InsertColumn(1, "Device Id", 70);
    m_diskList.InsertColumn(2, "FS Type", 70);
    m_diskList.InsertColumn(3, "Total Size(MB)", 100);
    m_diskList.InsertColumn(4, "Free Space", 72);
    m_deviceList.SetEmptyText(NothingFoundText());

    // The whole discovery runs before the window is first shown.
    RefreshDeviceList();
    return true;
}

void CMainDlg::OnSysCommand(unsigned id)
{
    if ((id & 0xFFF0u) == IDM_ABOUTBOX) {
        OnAbout();
        return;
    }
    ui::CDialog::OnSysCommand(id);
}

void CMainDlg::RefreshDeviceList()
{
    m_refreshButton.EnableWindow(false);
    m_shareMappingButton.EnableWindow(false);
    m_webButton.EnableWindow(false);
    m_wizardButton.EnableWindow(false);

    for (std::size_t i = 0; i < m_devices.GetSize(); ++i) m_deviceList.DeleteString(0);
    m_devices.Clear();

    ClearDeviceInfo();
    const std::string cut = protocol::DiscoveryCutShortText(
        protocol::DiscoverDevices(m_services.sockets, m_views->discovery));
    if (!cut.empty()) ui::AfxMessageBox(cut);

    m_refreshButton.EnableWindow(true);
}

void CMainDlg::AddDevice(std::unique_ptr<protocol::DeviceInfo> device)
{
    // The row shows the name as it stands now; the list box keeps its own copy.
    const std::string name = protocol::DisplayText(device->name);
    m_devices.Add(std::move(device));
    m_deviceList.AddString(name);
    UpdateWindow();
}

void CMainDlg::ClearDeviceInfo()
{
    m_ipStatus.SetWindowText("");
    m_mac.SetWindowText("");
    m_ipAddress.SetWindowText("");
    m_firmware.SetWindowText("");
    m_description.SetWindowText("");
    for (int i = m_diskList.GetItemCount() - 1; i >= 0; --i) m_diskList.DeleteItem(i);
}

protocol::DeviceInfo* CMainDlg::SelectedDevice()
{
    const int index = m_deviceList.GetCurSel();
    if (index < 0) return nullptr;
    return m_devices.GetAt(static_cast<std::size_t>(index));
}

void CMainDlg::QueryDeviceStatus()
{
    protocol::DeviceInfo* device = SelectedDevice();
    if (device == nullptr) return;
    const protocol::StatusResult result =
        protocol::QueryDeviceStatus(m_services.sockets, *device, m_views->status);
    // The refresh frees this record too: nothing the query stored survives a time-out.
    if (result == protocol::StatusResult::TimedOut) RefreshDeviceList();
}

void CMainDlg::OnAbout()
{
    CAboutDlg about;
    about.DoModal();
}

void CMainDlg::OnQuit()
{
    OnOK();
}

void CMainDlg::OnRefresh()
{
    RefreshDeviceList();
}

void CMainDlg::OnWeb()
{
    protocol::DeviceInfo* device = SelectedDevice();
    if (device == nullptr) return;
    // A failure to open is not reported, nor an address that is not one.
    if (const auto address = WebAddress(*device)) m_services.urls.Open(*address);
}

void CMainDlg::OnWizard()
{
    protocol::DeviceInfo* device = SelectedDevice();
    if (device == nullptr) return;
    if (wizard::LaunchSetupWizard(m_services.sockets, *device) != 0) RefreshDeviceList();
}

void CMainDlg::OnShareMapping()
{
    protocol::DeviceInfo* device = SelectedDevice();
    if (device == nullptr) return;
    sharemap::LaunchShareMapping(m_services.sockets, m_services.drives, *device);
}

}  // namespace app
