#include "wizard/message_sink.h"

#include <QString>

#include "platform/ui/cdialog.h"

namespace wizard {

void AppMessageSink::ShowMessage(const std::string& text)
{
    ui::AfxMessageBox(QString::fromStdString(text));
}

}  // namespace wizard
