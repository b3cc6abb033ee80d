// The Qt backend: windows (window_driver.cpp), the message box, images, and the start-up of the
// application object.
#include "ui/qt/qt_backend.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <string>

#include "ui/driver.h"
#include "ui/ids.h"
#include "ui/qt/window_driver.h"
#include "ui/system.h"

namespace ui::qt {

namespace {

struct QtIcon final : NativeImage {
    QIcon icon;
};
struct QtBitmap final : NativeImage {
    QPixmap pixmap;
};

class QtBackend final : public Backend {
public:
    std::unique_ptr<WindowDriver> CreateWindowDriver(const DialogTemplate& t, WindowEvents& events,
                                                     WindowDriver* parent, bool child) override
    {
        return std::make_unique<QtWindowDriver>(t, events, dynamic_cast<QtWindowDriver*>(parent),
                                                child);
    }

    int ShowMessageBox(NativeWindow window, const MessageBoxRequest& request) override
    {
        QWidget* owner = Widget(window);
        if (owner == nullptr) owner = QApplication::activeModalWidget();
        if (owner == nullptr) owner = QApplication::activeWindow();
        const QString caption =
            request.caption.IsEmpty() ? ToQString(ApplicationName()) : ToQString(request.caption);
        QMessageBox box(
            request.icon == Icon::Information ? QMessageBox::Information : QMessageBox::Warning,
            caption, ToQString(request.text), QMessageBox::Ok, owner);
        // Texts come from devices and the network: never interpret them as markup.
        box.setTextFormat(Qt::PlainText);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
        return IDOK;
    }

    CString ApplicationName() const override
    {
        // The executable's name without its extension, e.g. "dravmoor-setup".
        return FromQString(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    }

    IconHandle MakeIcon(const std::vector<Image>& sizes) override
    {
        if (qGuiApp == nullptr) return {};
        auto icon = std::make_shared<QtIcon>();
        for (const Image& image : sizes) icon->icon.addPixmap(QPixmap::fromImage(ToQImage(image)));
        return IconHandle(icon);
    }

    BitmapHandle MakeBitmap(const Image& image) override
    {
        if (qGuiApp == nullptr) return {};
        auto bitmap = std::make_shared<QtBitmap>();
        bitmap->pixmap = QPixmap::fromImage(ToQImage(image));
        return BitmapHandle(bitmap);
    }

    void SetBusyCursor(bool on) override
    {
        if (qApp == nullptr || on == m_busyCursor) return;
        m_busyCursor = on;
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }

    int PumpEventsDroppingInput() override
    {
        if (qApp == nullptr) return 0;
        InputDropper dropper;
        qApp->installEventFilter(&dropper);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        qApp->removeEventFilter(&dropper);
        return dropper.dropped;
    }

private:
    // Drops the user's input while installed.
    class InputDropper : public QObject {
    public:
        int dropped = 0;

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            switch (event->type()) {
                case QEvent::MouseButtonPress:
                case QEvent::MouseButtonRelease:
                case QEvent::MouseButtonDblClick:
                case QEvent::MouseMove:
                case QEvent::Wheel:
                case QEvent::KeyPress:
                case QEvent::KeyRelease:
                case QEvent::ShortcutOverride:
                case QEvent::Shortcut:
                case QEvent::ContextMenu:
                case QEvent::TouchBegin:
                case QEvent::TouchUpdate:
                case QEvent::TouchEnd:
                case QEvent::TabletPress:
                case QEvent::TabletRelease:
                    ++dropped;
                    return true;
                case QEvent::Close:
                    // The close box, while the exchange holds the window.
                    if (event->spontaneous()) {
                        event->ignore();
                        ++dropped;
                        return true;
                    }
                    break;
                default:
                    break;
            }
            return QObject::eventFilter(watched, event);
        }
    };
    bool m_busyCursor = false;
};

QtBackend& Instance()
{
    static QtBackend backend;
    return backend;
}

// The application object with the program's name as its only argument.
class QtSystem final : public UiSystem {
public:
    QtSystem(const char* programPath, std::string_view desktopId)
        : UiSystem(Instance()),
          m_program(programPath != nullptr ? programPath : "dravmoor-setup"),
          m_argv{m_program.data(), nullptr},
          m_app(m_argc, m_argv)
    {
        if (!desktopId.empty())
            QGuiApplication::setDesktopFileName(
                QString::fromUtf8(desktopId.data(), static_cast<qsizetype>(desktopId.size())));
        m_look = SetupApplicationLook();
    }
    bool LookAsIntended() const override { return m_look; }

private:
    std::string m_program;
    int m_argc = 1;
    char* m_argv[2];
    QApplication m_app;
    bool m_look = false;
};

// Over an application the caller made.
class AttachedSystem final : public UiSystem {
public:
    AttachedSystem() : UiSystem(Instance()) {}
    bool LookAsIntended() const override { return true; }
};

}  // namespace

std::unique_ptr<UiSystem> AttachSystem()
{
    return std::make_unique<AttachedSystem>();
}

QString ToQString(const CString& text)
{
    return QString::fromUtf8(text.str().data(), static_cast<qsizetype>(text.str().size()));
}

CString FromQString(const QString& text)
{
    return CString(text.toStdString());
}

QRect ToQRect(const CRect& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
}

CRect FromQRect(const QRect& r)
{
    return CRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QImage ToQImage(const Image& image)
{
    bool opaque = true;
    for (std::uint32_t p : image.pixels) opaque = opaque && (p >> 24) == 0xFFu;
    // Opaque pictures stay without an alpha channel, as they were painted.
    QImage out(image.width, image.height,
               opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
        for (int x = 0; x < image.width; ++x) row[x] = image.At(x, y);
    }
    return out;
}

Image FromQImage(const QImage& source)
{
    const QImage image = source.hasAlphaChannel()
                             ? source.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                             : source.convertToFormat(QImage::Format_RGB32);
    Image out;
    out.width = image.width();
    out.height = image.height();
    out.pixels.reserve(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    for (int y = 0; y < out.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < out.width; ++x)
            out.pixels.push_back(image.hasAlphaChannel() ? row[x] : (row[x] | 0xFF000000u));
    }
    return out;
}

QIcon ToQIcon(const IconHandle& icon)
{
    const auto* q = dynamic_cast<const QtIcon*>(icon.native());
    return q != nullptr ? q->icon : QIcon();
}

QPixmap ToQPixmap(const BitmapHandle& bitmap)
{
    const auto* q = dynamic_cast<const QtBitmap*>(bitmap.native());
    return q != nullptr ? q->pixmap : QPixmap();
}

}  // namespace ui::qt

namespace ui {

std::unique_ptr<UiSystem> CreateSystemUi(const char* programPath, std::string_view desktopId)
{
    return std::make_unique<qt::QtSystem>(programPath, desktopId);
}

}  // namespace ui
