// CNetworkPage: the wizard's second page (static address or DHCP, and the five addresses).
// Its only behaviour of its own: the address controls follow the addressing mode.
#pragma once

#include "ui/cdialog.h"

namespace wizard {

class CNetworkPage : public ui::CDialog {
public:
    CNetworkPage();
    ~CNetworkPage() override;

    void OnProtocolSelChange();
    void OnProtocolEditChange();

    ui::CIPAddressCtrl m_maskCtrl;
    ui::CIPAddressCtrl m_ipCtrl;
    ui::CIPAddressCtrl m_gatewayCtrl;
    ui::CIPAddressCtrl m_dns2Ctrl;
    ui::CIPAddressCtrl m_dns1Ctrl;
    ui::CComboBox m_protocolCombo;

    // The five address controls in wire order: ip, mask, gateway, dns1, dns2.
    ui::CIPAddressCtrl* AddressCtrl(int index);
    void EnableAddresses(bool enable);

protected:
    void DoDataExchange(ui::CDataExchange* dx) override;
};

}  // namespace wizard
