#include "sharemap/share_map_dlg.h"

#include "protocol/device_address.h"
#include "protocol/display.h"
#include "res/resource.h"
#include "sharemap/share_mapping.h"

namespace sharemap {
namespace {

constexpr int kUserLimit = 32;
constexpr int kPasswordLimit = 8;
constexpr int kShareColumnWidth = 240;
constexpr int kLocationColumnWidth = 208;

}  // namespace

CShareMapDlg::CShareMapDlg(netdrive::NetDrive& drives)
    : ui::CDialog(IDD_SHARE_MAP), m_drives(drives)
{
    MapMessage(ui::Notify::Clicked, IDC_MAP, &CShareMapDlg::OnMap);
    MapMessage(ui::Notify::Clicked, IDC_UNMAP, &CShareMapDlg::OnUnmap);
    MapMessage(ui::Notify::Clicked, IDC_UNMAP_ALL, &CShareMapDlg::OnUnmapAll);
}

CShareMapDlg::~CShareMapDlg() = default;

void CShareMapDlg::DoDataExchange(ui::CDataExchange* dx)
{
    ui::CDialog::DoDataExchange(dx);
    ui::DDX_Control(dx, IDC_MAPPED_LIST, m_mappedList);
    ui::DDX_Control(dx, IDC_UNMAP_ALL, m_unmapAllButton);
    ui::DDX_Control(dx, IDC_UNMAP, m_unmapButton);
    ui::DDX_Control(dx, IDC_MAP, m_mapButton);
    ui::DDX_Control(dx, IDC_DRIVE_COMBO, m_driveCombo);
    ui::DDX_Control(dx, IDC_SHARE_COMBO, m_shareCombo);
    ui::DDX_Control(dx, IDC_MAP_PASSWORD, m_passwordEdit);
    ui::DDX_Control(dx, IDC_MAP_USER, m_userEdit);
}

bool CShareMapDlg::OnInitDialog()
{
    ui::CDialog::OnInitDialog();
    m_userEdit.LimitText(kUserLimit);
    m_passwordEdit.LimitText(kPasswordLimit);
    m_mappedList.SetExtendedStyle(ui::CListCtrl::LVS_EX_FULLROWSELECT);
    m_mappedList.InsertColumn(0, "Share name", kShareColumnWidth);
    m_mappedList.InsertColumn(1, "Location", kLocationColumnWidth);

    if (m_device != nullptr && m_device->shares) {
        for (const auto& share : *m_device->shares) {
            m_shareCombo.AddString(protocol::DecodeWireText(share.Name()));
        }
    }
    FillDriveCombo();
    FillMappedList();
    return true;
}

std::string CShareMapDlg::IpAddress() const
{
    return m_device != nullptr ? protocol::DeviceHost(*m_device) : std::string();
}

void CShareMapDlg::FillDriveCombo()
{
    for (int i = m_driveCombo.GetCount() - 1; i >= 0; --i) m_driveCombo.DeleteString(i);
    for (const auto& entry : DriveComboEntries(m_drives)) m_driveCombo.AddString(entry);
}

void CShareMapDlg::FillMappedList()
{
    for (const auto& connection : DeviceConnections(m_drives, IpAddress())) {
        const int row = m_mappedList.InsertItem(m_mappedList.GetItemCount(), connection.remoteName);
        m_mappedList.SetItemText(row, 1, connection.root);
    }
}

int CShareMapDlg::AddConnection(const std::string& localName, const std::string& remoteName,
                                const std::string& user, const std::string& password)
{
    return m_drives.Connect(localName, remoteName, user, password);
}

int CShareMapDlg::CancelConnection(const std::string& localName)
{
    return m_drives.Disconnect(localName);
}

void CShareMapDlg::OnMap()
{
    const ui::CString share = m_shareCombo.GetWindowText();
    if (share.IsEmpty()) return;
    const std::string host = IpAddress();
    const std::string remoteName = BuildRemoteName(host, share.str());

    const ui::CString drive = m_driveCombo.GetWindowText();
    if (drive.IsEmpty()) return;
    // An answer's address field may hold a host name or a path of someone else's: the system
    // would connect there and hand over the user's name and password.
    if (host.empty()) {
        ui::AfxMessageBox("Map failed!");
        return;
    }
    // A network-drive entry reads "Y:  \\host\share": its letter is what counts.
    const ui::CString localName = drive.Left(2);

    const std::string user = m_userEdit.GetWindowText().str();
    const std::string password = m_passwordEdit.GetWindowText().str();
    if (AddConnection(localName.str(), remoteName, user, password) != 0) {
        ui::AfxMessageBox("Map failed!");
        return;
    }
    const int row = m_mappedList.InsertItem(m_mappedList.GetItemCount(), remoteName);
    m_mappedList.SetItemText(row, 1, localName);
    FillDriveCombo();
}

void CShareMapDlg::OnUnmap()
{
    const int row = m_mappedList.GetFirstSelectedItem();
    if (row < 0) return;
    if (CancelConnection(m_mappedList.GetItemText(row, 1).str()) != 0) {
        ui::AfxMessageBox("Unmap failed!");
        return;
    }
    m_mappedList.DeleteItem(row);
    FillDriveCombo();
}

void CShareMapDlg::OnUnmapAll()
{
    for (int row = m_mappedList.GetItemCount() - 1; row >= 0; --row) {
        if (CancelConnection(m_mappedList.GetItemText(row, 1).str()) != 0) {
            ui::AfxMessageBox("Unmap failed!");
        } else {
            m_mappedList.DeleteItem(row);
        }
    }
    FillDriveCombo();
}

}  // namespace sharemap
