// CWizardDlg: the setup wizard's frame. Hosts the pages as child dialogs inside its page
// frame, moves between them with Back/Next/Skip, and on Next writes the page being left
// to the adapter (system settings from page 0, network settings from page 1).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sockets/sockets.h"
#include "protocol/device_info.h"
#include "ui/cdialog.h"

namespace wizard {

class CWizardDlg : public ui::CDialog {
public:
    explicit CWizardDlg(sockets::SocketApi& api, ui::CDialog* parent = nullptr);
    // Forgets the pages; they belong to the caller.
    ~CWizardDlg() override;

    void SetDevice(protocol::DeviceInfo* device) { m_device = device; }
    void AddPage(ui::CDialog* page, unsigned templateId);
    ui::CDialog* GetPage(int index) const;  // null outside 0..n-1
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    int GetCurrentPage() const { return m_current; }

    // Hides the current page (when it accepts its data) and shows the page at `index`.
    virtual void ShowPage(int index);

    void OnNext();
    void OnBack();
    void OnSkip();

    // Write steps: 0 when the wizard may move on, 1 when the page must stay.
    int WriteSystemInfo();
    int WriteNetworkInfo();

    // Destroys every page window (the page objects stay with their owner).
    void DestroyPages();

protected:
    void DoDataExchange(ui::CDataExchange* dx) override;
    bool OnInitDialog() override;
    bool PreTranslateKey(ui::Key key) override;

private:
    void Advance(bool write);
    void FinishWizard();
    void FillSystemPage();
    void FillNetworkPage();
    // The position of the entry chosen in `combo`, or named by the text typed into it (no
    // selection: 255). False when the text names no entry: the user was told, the focus is
    // back in the box and nothing may be sent.
    bool ListPosition(ui::CComboBox& combo, std::uint8_t& position);

    ui::CStatic m_bitmap;
    ui::CStatic m_frame;
    ui::CButton m_cancel;
    ui::CButton m_back;
    ui::CButton m_next;
    std::vector<ui::CDialog*> m_pages;
    std::vector<std::uint32_t> m_templateIds;
    int m_current = -1;
    protocol::DeviceInfo* m_device = nullptr;
    sockets::SocketApi& m_api;
};

}  // namespace wizard
