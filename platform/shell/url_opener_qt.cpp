// The desktop's default handler through Qt.
#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include "platform/shell/shell.h"

namespace shell {

namespace {
// Returns what Qt reports; on a desktop that is true as soon as a handler was started.
class QtUrlOpener final : public UrlOpener {
public:
    bool Open(const std::string& url) override
    {
        // Strict parsing: an address that is not a well-formed URL is not handed on.
        const QUrl u(QString::fromStdString(url), QUrl::StrictMode);
        if (!u.isValid()) return false;
        return QDesktopServices::openUrl(u);
    }
};
}  // namespace

std::unique_ptr<UrlOpener> CreateSystemUrlOpener()
{
    return std::make_unique<QtUrlOpener>();
}

}  // namespace shell
