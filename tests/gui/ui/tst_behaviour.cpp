// The shared behaviour cases (tests/support/behaviour_cases.h) on the Qt backend; the Windows
// build runs the same cases on the native one under Wine.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "tests/support/behaviour_cases.h"
#include "ui/qt/qt_backend.h"
#include "ui/qt/test_probe.h"

namespace {

using namespace ui_test;

Qt::Key QtKey(ui::Key key)
{
    switch (key) {
        case ui::Key::Tab:
            return Qt::Key_Tab;
        case ui::Key::Return:
            return Qt::Key_Return;
        case ui::Key::Escape:
            return Qt::Key_Escape;
        case ui::Key::Down:
            return Qt::Key_Down;
        case ui::Key::Up:
            return Qt::Key_Up;
        case ui::Key::Space:
            return Qt::Key_Space;
        default:
            return Qt::Key_unknown;
    }
}

// The control with the focus in the running dialog: the window's own focus widget, right even
// when the offscreen window is not the active one.
QWidget* FocusWidget()
{
    QWidget* top = QApplication::activeModalWidget();
    if (top == nullptr) return QApplication::focusWidget();
    return top->focusWidget() != nullptr ? top->focusWidget() : top;
}

class QtUser final : public User {
public:
    void Later(std::function<void()> fn) override { QTimer::singleShot(0, qApp, std::move(fn)); }
    void Key(ui::Key key, unsigned modifiers) override
    {
        Qt::KeyboardModifiers m;
        if (modifiers & ui::keymod::Alt) m |= Qt::AltModifier;
        if (modifiers & ui::keymod::Shift) m |= Qt::ShiftModifier;
        // Shift+Tab arrives as Backtab, as from a keyboard.
        const Qt::Key k =
            key == ui::Key::Tab && (modifiers & ui::keymod::Shift) ? Qt::Key_Backtab : QtKey(key);
        QTest::keyClick(FocusWidget(), k, m);
    }
    void PostKey(ui::Key key) override
    {
        QCoreApplication::postEvent(FocusWidget(),
                                    new QKeyEvent(QEvent::KeyPress, QtKey(key), Qt::NoModifier));
    }
    void Type(const std::string& text) override
    {
        for (const char c : text) QTest::keyClick(FocusWidget(), c);
    }
    void KeypadEnter() override
    {
        QTest::keyClick(FocusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    }
    void Paste(const std::string& text, bool shiftInsert) override
    {
        QGuiApplication::clipboard()->setText(QString::fromStdString(text));
        if (shiftInsert)
            QTest::keyClick(FocusWidget(), Qt::Key_Insert, Qt::ShiftModifier);
        else
            QTest::keyClick(FocusWidget(), Qt::Key_V, Qt::ControlModifier);
    }
    void CloseBox(ui::CDialog& dlg) override { ui::qt::Widget(dlg.GetSafeHwnd())->close(); }
    bool AddressIsBlank(ui::CDialog& dlg, int id) override
    {
        return ui::qt::probe::AddressIsBlank(ui::qt::Widget(dlg.GetDlgItem(id)));
    }
    bool HasFocus(ui::CDialog& dlg, int id) override
    {
        QWidget* control = ui::qt::Widget(dlg.GetDlgItem(id));
        QWidget* focus = FocusWidget();
        return control != nullptr && focus != nullptr &&
               (focus == control || control->isAncestorOf(focus));
    }
};

class BehaviourTest : public QObject {
    Q_OBJECT
private slots:
    void cases_data()
    {
        QTest::addColumn<int>("index");
        const auto all = BehaviourCases();
        for (std::size_t i = 0; i < all.size(); ++i)
            QTest::newRow(all[i].first) << static_cast<int>(i);
    }
    void cases()
    {
        QFETCH(int, index);
        QtUser user;
        const Failures failures = BehaviourCases()[static_cast<std::size_t>(index)].second(user);
        for (const std::string& f : failures) qWarning("%s", f.c_str());
        QVERIFY(failures.empty());
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    static const TestResources resources;
    ui::SetResourceProvider(&resources);
    ui::qt::SetupApplicationLook();
    const auto uiSystem = ui::qt::AttachSystem();
    BehaviourTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_behaviour.moc"
