// The top-level (or child) window of a CDialog: forwards the close box, the background's
// context menu and the first show to its dialog, and leaves Enter and Escape to the dialog
// manager.
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QPushButton>

#include "platform/ui/cdialog.h"
#include "platform/ui/widgets.h"

namespace ui {

DialogWindow::DialogWindow(CDialog* owner, QWidget* parent) : QDialog(parent), m_owner(owner) {}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    // The close box and Alt+F4 become the dialog's close request; the dialog decides.
    event->ignore();
    if (m_owner != nullptr && !m_owner->m_ended) m_owner->OnClose();
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event)
{
    // On the dialog's background only: controls keep their own (or no) context menu.
    if (m_owner != nullptr && isWindow() && childAt(event->pos()) == nullptr &&
        m_owner->m_template && (m_owner->m_template->style & dstyle::SysMenu)) {
        m_owner->ShowSystemMenu(event->globalPos());
        event->accept();
        return;
    }
    QDialog::contextMenuEvent(event);
}

void DialogWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_owner == nullptr || m_shownOnce || !isWindow()) return;
    m_shownOnce = true;
    // QDialog picks a default push button of its own when shown; the template decides here.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(b->property("templateDefault").toBool());
    }
    m_owner->ApplyInitialFocus();
}

void DialogWindow::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape were handled by the dialog manager; nothing else falls back to QDialog's
    // own default-button and reject() handling.
    event->ignore();
}

void DialogWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // A client edge: the controls live in an inner widget at the frame's contents rectangle.
    if (auto* edge = findChild<QFrame*>(QStringLiteral("clientEdge"), Qt::FindDirectChildrenOnly)) {
        edge->setGeometry(rect());
        if (m_owner != nullptr && m_owner->m_client != nullptr && m_owner->m_client != this)
            m_owner->m_client->setGeometry(edge->contentsRect());
    }
}

}  // namespace ui
