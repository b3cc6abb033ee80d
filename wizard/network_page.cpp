#include "wizard/network_page.h"

#include "res/resource.h"

namespace wizard {

CNetworkPage::CNetworkPage() : ui::CDialog(IDD_PAGE_NETWORK)
{
    MapMessage(ui::Notify::EditChange, IDC_PROTOCOL, &CNetworkPage::OnProtocolEditChange);
    MapMessage(ui::Notify::SelChange, IDC_PROTOCOL, &CNetworkPage::OnProtocolSelChange);
}

CNetworkPage::~CNetworkPage() = default;

void CNetworkPage::DoDataExchange(ui::CDataExchange* dx)
{
    ui::CDialog::DoDataExchange(dx);
    ui::DDX_Control(dx, IDC_NET_MASK, m_maskCtrl);
    ui::DDX_Control(dx, IDC_NET_IP, m_ipCtrl);
    ui::DDX_Control(dx, IDC_NET_GATEWAY, m_gatewayCtrl);
    ui::DDX_Control(dx, IDC_NET_DNS2, m_dns2Ctrl);
    ui::DDX_Control(dx, IDC_NET_DNS1, m_dns1Ctrl);
    ui::DDX_Control(dx, IDC_PROTOCOL, m_protocolCombo);
}

ui::CIPAddressCtrl* CNetworkPage::AddressCtrl(int index)
{
    switch (index) {
        case 0:
            return &m_ipCtrl;
        case 1:
            return &m_maskCtrl;
        case 2:
            return &m_gatewayCtrl;
        case 3:
            return &m_dns1Ctrl;
        case 4:
            return &m_dns2Ctrl;
        default:
            return nullptr;
    }
}

// The addresses are kept when disabled: switching to DHCP and back must not lose them.
void CNetworkPage::EnableAddresses(bool enable)
{
    for (int i = 0; i < 5; ++i) AddressCtrl(i)->EnableWindow(enable);
}

void CNetworkPage::OnProtocolSelChange()
{
    EnableAddresses(m_protocolCombo.GetCurSel() == 0);
}

// Typed text is never read; only the selection counts.
void CNetworkPage::OnProtocolEditChange() {}

}  // namespace wizard
