#include "platform/ui/busy_wait.h"

#include <QApplication>
#include <QEvent>

namespace ui {

// Drops the user's input while installed.
class UiSocketApi::InputBlocker : public QObject {
public:
    bool active = false;
    int dropped = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!active) return QObject::eventFilter(watched, event);
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

UiSocketApi::UiSocketApi(sockets::SocketApi& inner, std::chrono::milliseconds slice)
    : ForwardingSocketApi(inner),
      m_slice(slice.count() > 0 ? slice : std::chrono::milliseconds(1)),
      m_blocker(std::make_unique<InputBlocker>())
{
}

UiSocketApi::~UiSocketApi()
{
    SetBusy(false);
}

void UiSocketApi::SetBusy(bool on)
{
    if (on == m_busy) return;
    m_busy = on;
    if (qApp == nullptr) return;
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

bool UiSocketApi::Wait(sockets::SocketHandle s, std::chrono::milliseconds interval,
                       sockets::WaitKind kind)
{
    if (qApp == nullptr) return inner().Wait(s, interval, kind);
    SetBusy(true);
    if (m_blocker->thread() != qApp->thread()) m_blocker->moveToThread(qApp->thread());
    qApp->installEventFilter(m_blocker.get());
    const bool wasActive = m_blocker->active;
    m_blocker->active = true;
    bool ready = false;
    // Slices are counted, not timed, so a backend with a virtual clock sees the same total.
    std::chrono::milliseconds left = interval;
    do {
        const std::chrono::milliseconds step = std::min(left, m_slice);
        ready = inner().Wait(s, step, kind);
        left -= step;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (ready && kind == sockets::WaitKind::UntilDatagram) break;
    } while (left.count() > 0);
    m_blocker->active = wasActive;
    if (!wasActive) qApp->removeEventFilter(m_blocker.get());
    // FullInterval: a backend that drains into its own queue tells readiness of its last slice.
    return ready;
}

int UiSocketApi::droppedInputEvents() const
{
    return m_blocker->dropped;
}

}  // namespace ui
