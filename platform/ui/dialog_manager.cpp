#include "platform/ui/dialog_manager.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <vector>

#include "platform/ui/cdialog.h"
#include "platform/ui/widgets.h"

namespace ui {

namespace {

bool IsPushButton(const QWidget* w)
{
    return qobject_cast<const QPushButton*>(w) != nullptr;
}

DialogWindow* TopDialogWindow(QWidget* w)
{
    if (w == nullptr) return nullptr;
    return qobject_cast<DialogWindow*>(w->window());
}

}  // namespace

// Application-wide key filter: runs PreTranslateKey of the dialogs around the focus and then
// the dialog manager's rules, before the focused widget sees the key.
class DialogManager : public QObject {
public:
    static void Ensure()
    {
        // Owned by the application object; a later application gets a manager of its own.
        static QPointer<DialogManager> instance;
        if (instance == nullptr && qApp != nullptr) {
            instance = new DialogManager(qApp);
            qApp->installEventFilter(instance);
        }
    }

protected:
    explicit DialogManager(QObject* parent) : QObject(parent) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return QObject::eventFilter(watched, event);
        auto* w = static_cast<QWidget*>(watched);
        DialogWindow* top = TopDialogWindow(w);
        if (top == nullptr || top->owner() == nullptr) return false;
        // Key events travel from the focus widget to its parents: act once, on the first one.
        // The window's own focus widget: the same as the application's while the window is
        // active, and still right when a key is sent to an inactive window (tests, automation).
        // A key sent to the window itself is taken there too; one that only reached the window
        // by propagation was declined on the way, so a second look changes nothing.
        QWidget* focus = top->focusWidget();
        const bool first = (w == focus) || (w == top);
        if (!first) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        return Handle(top, w, key);
    }

private:
    static bool Handle(DialogWindow* top, QWidget* target, QKeyEvent* key)
    {
        const int k = key->key();
        // Child dialogs (pages) first, then the top-level dialog.
        std::vector<CDialog*> chain;
        for (QWidget* p = target; p != nullptr; p = p->parentWidget()) {
            if (auto* dw = qobject_cast<DialogWindow*>(p); dw && dw->owner())
                chain.push_back(dw->owner());
            if (p == top) break;
        }
        for (CDialog* d : chain)
            if (d->PreTranslateKey(k)) return true;

        CDialog* dlg = top->owner();
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if ((k == Qt::Key_Return || k == Qt::Key_Enter) && mods == Qt::NoModifier) {
            if (IsPushButton(target) && target->isEnabled()) {
                static_cast<QPushButton*>(target)->click();
                return true;
            }
            dlg->SendCommand(dlg->DefaultButtonId());
            return true;
        }
        if (k == Qt::Key_Escape && mods == Qt::NoModifier) {
            dlg->SendCommand(IDCANCEL);
            return true;
        }
        if ((k == Qt::Key_Tab || k == Qt::Key_Backtab) &&
            (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
            MoveFocus(dlg, target, !(k == Qt::Key_Backtab || mods == Qt::ShiftModifier));
            return true;
        }
        if (k == Qt::Key_Space && mods == Qt::AltModifier) {
            if (dlg->m_template && (dlg->m_template->style & dstyle::SysMenu))
                dlg->ShowSystemMenu(top->mapToGlobal(QPoint(0, 0)));
            return true;
        }
        return false;
    }

public:
    static void MoveFocus(CDialog* dlg, QWidget* from, bool forward)
    {
        std::vector<QWidget*> stops;
        dlg->CollectTabStops(stops);
        if (stops.empty()) return;
        int at = -1;
        for (std::size_t i = 0; i < stops.size(); ++i)
            if (from != nullptr && (stops[i] == from || stops[i]->isAncestorOf(from)))
                at = static_cast<int>(i);
        const int n = static_cast<int>(stops.size());
        const int next = at < 0 ? (forward ? 0 : n - 1) : (at + (forward ? 1 : n - 1)) % n;
        QWidget* w = stops[static_cast<std::size_t>(next)];
        w->setFocus(Qt::TabFocusReason);
        if (auto* le = qobject_cast<QLineEdit*>(w->focusProxy() ? w->focusProxy() : w))
            le->selectAll();
    }
};

void EnsureDialogManager()
{
    DialogManager::Ensure();
}

void MoveDialogFocus(CDialog* dlg, QWidget* from, bool forward)
{
    DialogManager::MoveFocus(dlg, from, forward);
}

}  // namespace ui
