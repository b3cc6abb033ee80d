#include "verify/verify_dlg.h"

#include <string>

#include "protocol/device_info.h"
#include "protocol/limits.h"
#include "protocol/verify.h"
#include "protocol/wire_text.h"
#include "res/resource.h"
#include "verify/message_sink.h"

namespace verify {

CVerifyDlg::CVerifyDlg(sockets::SocketApi& api, ui::CDialog* parent)
    : ui::CDialog(IDD_VERIFY, parent), m_api(api)
{
    MapMessage(ui::Notify::Clicked, IDC_VERIFY_OK, &CVerifyDlg::OnVerify);
}

CVerifyDlg::~CVerifyDlg() = default;

void CVerifyDlg::DoDataExchange(ui::CDataExchange* dx)
{
    ui::CDialog::DoDataExchange(dx);
    ui::DDX_Control(dx, IDC_VERIFY_OK, m_okButton);
    ui::DDX_Control(dx, IDC_VERIFY_PASSWORD, m_passwordEdit);
    ui::DDX_Control(dx, IDC_VERIFY_NAME, m_nameEdit);
}

bool CVerifyDlg::OnInitDialog()
{
    ui::CDialog::OnInitDialog();
    // The limits are the wire fields' widths in bytes, so non-ASCII texts go out whole.
    m_nameEdit.SetLimitBytes(protocol::kNameWidth);
    m_passwordEdit.SetLimitBytes(protocol::kPasswordWidth);
    return true;
}

// Return walks the tab order instead of pressing a button: people type the name, press
// Return, type the password, and must not have the dialog vanish under them.
bool CVerifyDlg::PreTranslateKey(ui::Key key)
{
    if (key == ui::Key::Return) {
        NextDlgCtrl();
        return true;
    }
    return ui::CDialog::PreTranslateKey(key);
}

void CVerifyDlg::OnVerify()
{
    if (m_device == nullptr) return;
    // Disabled for the whole exchange, including while its message box is open, so a second
    // click cannot start a second exchange.
    m_okButton.EnableWindow(false);
    const std::string name = m_nameEdit.GetWindowText().str();
    const std::string secret = m_passwordEdit.GetWindowText().str();
    const std::string_view user = protocol::CutToWire(name, protocol::kNameWidth);
    const std::string_view password = protocol::CutToWire(secret, protocol::kPasswordWidth);
    AppMessageSink sink;
    const protocol::VerifyResult result = protocol::VerifyAdministrator(
        m_api, sink, m_device->mac, user, password, protocol::RouteTo(*m_device));
    // Enabled again after every outcome, a socket failure included: otherwise the user
    // could only cancel, even after the network came back.
    m_okButton.EnableWindow(true);
    if (result == protocol::VerifyResult::Accepted) EndDialog(IDOK);
}

}  // namespace verify
