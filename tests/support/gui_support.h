// Helpers of the dialog tests on the Qt backend: a message-box recorder, modal runners, button
// look-ups, and comparisons of the framework's texts and rectangles with Qt's.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QObject>
#include <QRect>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

#include "ui/cdialog.h"
#include "ui/qt/qt_backend.h"

// QCOMPARE of a framework text with a QString, and of rectangles, printing both on failure.
namespace QTest {
inline bool qCompare(const ui::CString& t1, const QString& t2, const char* actual,
                     const char* expected, const char* file, int line)
{
    return qCompare(ui::qt::ToQString(t1), t2, actual, expected, file, line);
}
inline bool qCompare(const ui::CRect& t1, const QRect& t2, const char* actual, const char* expected,
                     const char* file, int line)
{
    return qCompare(ui::qt::ToQRect(t1), t2, actual, expected, file, line);
}
}  // namespace QTest

namespace gui_test {

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
        for (const auto& b : boxes) t << ui::qt::ToQString(b.text);
        return t;
    }

    std::vector<ui::MessageBoxRequest> boxes;
    std::function<void()> onShow;  // runs while a box "is open"

private:
    ui::MessageBoxHandler m_previous;
};

// Runs `dlg` modally; `driver` runs once its modal loop is up (not in a loop that an exchange
// of OnInitDialog spins). A dialog the driver left open (a failed check returns early) is
// cancelled, so a failure never hangs the test.
inline int RunModal(ui::CDialog& dlg, const std::function<void()>& driver)
{
    QObject guard;  // timers still pending when the run ends go with it
    std::function<void()> poll = [&] {
        if (!dlg.IsModalRunning()) {
            QTimer::singleShot(1, &guard, poll);
            return;
        }
        driver();
        if (dlg.IsModalRunning()) dlg.EndDialog(IDCANCEL);
    };
    QTimer::singleShot(0, &guard, poll);
    return dlg.DoModal();
}

// Same, for a dialog created out of reach (inside the function under test): the driver gets
// the active modal window; closing it is the close box.
inline void OnNextModal(const std::function<void(QWidget*)>& driver)
{
    QTimer::singleShot(0, [driver] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        driver(modal);
        if (modal->isVisible() && QApplication::activeModalWidget() == modal) modal->close();
    });
}

inline QAbstractButton* Button(ui::CDialog& dlg, int id)
{
    return qobject_cast<QAbstractButton*>(ui::qt::Widget(dlg.GetDlgItem(id)));
}

inline QAbstractButton* ButtonByText(QWidget* root, const QString& text)
{
    for (auto* b : root->findChildren<QAbstractButton*>()) {
        if (b->text() == text) return b;
    }
    return nullptr;
}

}  // namespace gui_test
