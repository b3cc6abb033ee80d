// Shared pieces of the wizard's dialog tests: a fake segment with one adapter, the device
// record the main window would hold for it, a message-box recorder and a modal driver.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/sockets/fake_sockets.h"
#include "platform/ui/cdialog.h"
#include "protocol/device_info.h"
#include "res/resource.h"

namespace wizard_test {

inline const sockets::FakeAdapter::MacBytes kMac{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

template <std::size_t N>
void SetField(std::array<char, N>& field, const std::string& text)
{
    field.fill('\0');
    std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

// The record that discovery and a status query would have built for `a`.
inline protocol::DeviceInfo MakeDevice(const sockets::FakeAdapter& a)
{
    protocol::DeviceInfo d;
    d.mac = a.mac;
    SetField(d.name, a.name);
    SetField(d.signature, a.signature);
    SetField(d.firmware, a.firmware);
    SetField(d.description, a.description);
    SetField(d.date, a.date);
    SetField(d.time, a.time);
    d.timezone = a.timezone;
    d.passwordRequired = a.passwordRequired;
    d.ipMode = a.ipMode;
    SetField(d.ipAddress, a.addresses[0]);
    SetField(d.subnetMask, a.addresses[1]);
    SetField(d.gateway, a.addresses[2]);
    SetField(d.dns1, a.addresses[3]);
    SetField(d.dns2, a.addresses[4]);
    d.webPort = a.webPort;
    return d;
}

// Records every message box instead of showing it; answers OK.
class MessageRecorder {
public:
    MessageRecorder()
    {
        m_previous = ui::SetMessageBoxHandler([this](const ui::MessageBoxRequest& r) {
            boxes.push_back(r);
            if (onShow) onShow();
            return IDOK;
        });
    }
    ~MessageRecorder() { ui::SetMessageBoxHandler(m_previous); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QStringList Texts() const
    {
        QStringList t;
        for (const auto& b : boxes) t << b.text;
        return t;
    }

    std::vector<ui::MessageBoxRequest> boxes;
    std::function<void()> onShow;  // runs while a box "is open"

private:
    ui::MessageBoxHandler m_previous;
};

// Runs `dlg` modally; `driver` runs once the dialog is up. A dialog the driver left open
// (a failed check returns early) is cancelled, so a failure never hangs the test.
inline int RunModal(ui::CDialog& dlg, const std::function<void()>& driver)
{
    QTimer::singleShot(0, [&dlg, driver] {
        driver();
        if (dlg.widget() != nullptr && dlg.widget()->isVisible()) dlg.EndDialog(IDCANCEL);
    });
    return dlg.DoModal();
}

// Same, for a dialog created out of reach (inside the function under test): the driver
// gets the active modal window.
inline void OnNextModal(const std::function<void(QWidget*)>& driver)
{
    QTimer::singleShot(0, [driver] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        driver(modal);
        if (modal->isVisible() && QApplication::activeModalWidget() == modal) {
            // Closing the window is the close box: Cancel.
            modal->close();
        }
    });
}

inline QAbstractButton* Button(ui::CDialog& dlg, int id)
{
    return qobject_cast<QAbstractButton*>(dlg.GetDlgItem(id));
}

inline QAbstractButton* ButtonByText(QWidget* root, const QString& text)
{
    for (auto* b : root->findChildren<QAbstractButton*>()) {
        if (b->text() == text) return b;
    }
    return nullptr;
}

// A request as the adapters expect it, built here independently of the protocol code.
inline std::vector<std::uint8_t> Request(std::uint16_t cmd,
                                         const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> out(12 + payload.size(), 0);
    out[0] = static_cast<std::uint8_t>(cmd & 0xFF);
    out[1] = static_cast<std::uint8_t>(cmd >> 8);
    out[4] = static_cast<std::uint8_t>(payload.size() & 0xFF);
    out[5] = static_cast<std::uint8_t>(payload.size() >> 8);
    std::memcpy(out.data() + 6, kMac.data(), 6);
    std::copy(payload.begin(), payload.end(), out.begin() + 12);
    return out;
}

inline void Put(std::vector<std::uint8_t>& buf, std::size_t offset, const std::string& text)
{
    std::memcpy(buf.data() + offset, text.data(), text.size());
}

}  // namespace wizard_test
