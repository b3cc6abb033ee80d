#include "platform/shell/qt_url_opener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace shell {

bool QtUrlOpener::Open(const std::string& url)
{
    // Strict parsing: an address that is not a well-formed URL is not handed on.
    const QUrl u(QString::fromStdString(url), QUrl::StrictMode);
    if (!u.isValid()) return false;
    return QDesktopServices::openUrl(u);
}

}  // namespace shell
