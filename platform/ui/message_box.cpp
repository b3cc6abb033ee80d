// The application message box and its test seam.
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

#include "platform/ui/cdialog.h"
#include "platform/ui/ids.h"

namespace ui {

namespace {
MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}
}  // namespace

QString ApplicationName()
{
    // The executable's name without its extension, e.g. "dravmoor-setup".
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

int MessageBox(QWidget* owner, const QString& text, const QString& caption, Icon icon)
{
    MessageBoxRequest request{text, caption, icon};
    if (Handler()) return Handler()(request);
    if (owner == nullptr) owner = QApplication::activeModalWidget();
    if (owner == nullptr) owner = QApplication::activeWindow();
    QMessageBox box(icon == Icon::Information ? QMessageBox::Information : QMessageBox::Warning,
                    caption.isEmpty() ? ApplicationName() : caption, text, QMessageBox::Ok, owner);
    // Texts come from devices and the network: never interpret them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    // A message can open in the middle of an exchange, under its busy cursor.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy) QApplication::restoreOverrideCursor();
    return IDOK;
}

int AfxMessageBox(const QString& text)
{
    return MessageBox(nullptr, text, QString(), Icon::Exclamation);
}

}  // namespace ui
