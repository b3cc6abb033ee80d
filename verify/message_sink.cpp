#include "verify/message_sink.h"

#include <QString>

#include "platform/ui/cdialog.h"

namespace verify {

void AppMessageSink::ShowMessage(const std::string& text)
{
    ui::AfxMessageBox(QString::fromStdString(text));
}

}  // namespace verify
