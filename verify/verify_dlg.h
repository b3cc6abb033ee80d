// CVerifyDlg: asks for the administrator's name and password and lets the adapter judge them
// in one verification exchange. Ends with IDOK only when the adapter confirmed them.
#pragma once

#include "platform/sockets/sockets.h"
#include "protocol/device_info.h"
#include "ui/cdialog.h"

namespace verify {

class CVerifyDlg : public ui::CDialog {
public:
    explicit CVerifyDlg(sockets::SocketApi& api, ui::CDialog* parent = nullptr);
    ~CVerifyDlg() override;

    // The device to verify against; only its mac is read. Must be set before the modal run.
    void SetDevice(protocol::DeviceInfo* device) { m_device = device; }

    void OnVerify();

protected:
    void DoDataExchange(ui::CDataExchange* dx) override;
    bool PreTranslateKey(ui::Key key) override;
    bool OnInitDialog() override;

private:
    ui::CButton m_okButton;
    ui::CEdit m_passwordEdit;
    ui::CEdit m_nameEdit;
    protocol::DeviceInfo* m_device = nullptr;
    sockets::SocketApi& m_api;
};

}  // namespace verify
