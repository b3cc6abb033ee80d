// CShareMapDlg: connects the device's shares to drive letters as network drives of the current
// user, lists the letters already connected to the device and removes such connections.
#pragma once

#include <string>

#include "platform/netdrive/netdrive.h"
#include "protocol/device_info.h"
#include "ui/cdialog.h"

namespace sharemap {

class CShareMapDlg : public ui::CDialog {
public:
    explicit CShareMapDlg(netdrive::NetDrive& drives);
    ~CShareMapDlg() override;

    // The device whose shares are offered; its ipAddress and shares are read. The caller keeps
    // it alive for the dialog's lifetime.
    void SetDevice(protocol::DeviceInfo* device) { m_device = device; }

    void OnMap();
    void OnUnmap();
    void OnUnmapAll();
    void FillDriveCombo();
    void FillMappedList();
    int AddConnection(const std::string& localName, const std::string& remoteName,
                      const std::string& user, const std::string& password);
    int CancelConnection(const std::string& localName);

protected:
    void DoDataExchange(ui::CDataExchange* dx) override;
    bool OnInitDialog() override;

private:
    // The device's address as a canonical dotted quad, "" when its field holds anything else.
    std::string IpAddress() const;

    ui::CListCtrl m_mappedList;
    ui::CButton m_unmapAllButton;
    ui::CButton m_unmapButton;
    ui::CButton m_mapButton;
    ui::CComboBox m_driveCombo;
    ui::CComboBox m_shareCombo;
    ui::CEdit m_passwordEdit;
    ui::CEdit m_userEdit;
    protocol::DeviceInfo* m_device = nullptr;
    netdrive::NetDrive& m_drives;
};

}  // namespace sharemap
