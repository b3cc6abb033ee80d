// CMainDlg: the main window. Lists the adapters that answered the discovery, shows the selected
// one's information and USB disks, and runs the six commands. It owns the DeviceList; row i of
// the device list box and entry i of the DeviceList always describe the same device.
#pragma once

#include <memory>
#include <string>

#include "app/services.h"
#include "protocol/device_info.h"
#include "protocol/discovery.h"
#include "protocol/status_query.h"
#include "ui/cdialog.h"

namespace app {

class CMainDlg : public ui::CDialog {
public:
    explicit CMainDlg(Services& services);
    ~CMainDlg() override;

    // Operations the discovery and the status query drive.
    void RefreshDeviceList();
    void AddDevice(std::unique_ptr<protocol::DeviceInfo> device);
    void ClearDeviceInfo();
    void QueryDeviceStatus();

    // Handlers.
    void OnAbout();
    void OnQuit();
    void OnWizard();
    void OnRefresh();
    void OnWeb();
    void OnShareMapping();

    const protocol::DeviceList& Devices() const { return m_devices; }

    // Controls in declaration order, bound by DoDataExchange.
    ui::CButton m_shareMappingButton;
    ui::CListCtrl m_diskList;
    ui::CStatic m_ipStatus;
    ui::CStatic m_mac;
    ui::CStatic m_ipAddress;
    ui::CStatic m_firmware;
    ui::CStatic m_description;
    ui::CButton m_webButton;
    ui::CButton m_wizardButton;
    ui::CButton m_refreshButton;
    ui::CButton m_quitButton;
    ui::CButton m_aboutButton;
    ui::CListBox m_deviceList;

protected:
    void DoDataExchange(ui::CDataExchange* dx) override;
    bool OnInitDialog() override;
    void OnSysCommand(unsigned id) override;

private:
    class Views;
    protocol::DeviceInfo* SelectedDevice();

    Services& m_services;
    protocol::DeviceList m_devices;
    ui::IconHandle m_icon;
    std::unique_ptr<Views> m_views;
};

}  // namespace app
