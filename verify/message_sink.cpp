#include "verify/message_sink.h"

#include "ui/cdialog.h"

namespace verify {

void AppMessageSink::ShowMessage(const std::string& text)
{
    ui::AfxMessageBox(text);
}

}  // namespace verify
