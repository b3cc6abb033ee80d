// dravmoorprobe: a Qt plugin that reads the window of an unmodified dravmoor-setup, such as the
// installed one, on any platform plugin (X11 or Wayland, where no xdotool reaches). Loaded by
//   QT_PLUGIN_PATH=<dir holding generic/> QT_QPA_GENERIC_PLUGINS=dravmoorprobe[:tour]
// it prints "platform <name>" and whether the busy cursor showed during the first discovery,
// then what ReadMainWindow prints. With ":tour" it also opens the system menu with Alt+Space,
// picks About (IDM_ABOUTBOX), closes the About box with Escape and prints "menu ..." and "dialog
// ..." lines. Then it closes the main window, so the program ends by itself; "stuck <step>" means a
// step did not happen within 15 s.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QGenericPlugin>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#ifdef __linux__
#include <dlfcn.h>
#include <link.h>
#endif

#include "res/resource.h"
#include "tests/integration/gui/window_reader.h"

namespace {

// Keeps every library loaded so far (Qt's platform and shell plugins, this one) in memory
// until the process ends, so that LeakSanitizer's report at exit can still name the module
// behind an allocation that a system library keeps, and lsan.supp can match it.
void PinLoadedLibraries()
{
#ifdef __linux__
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void*) {
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
#endif
}

class Tour : public QObject {
public:
    explicit Tour(bool tour) : m_tour(tour)
    {
        connect(&m_poll, &QTimer::timeout, this, &Tour::Poll);
        m_poll.start(20);
        m_stepTime.start();
    }

private:
    enum class Step { Main, Menu, About, Back, Done };

    void Next(Step step)
    {
        m_step = step;
        m_stepTime.restart();
    }

    // Input is sent from a fresh event so that a nested loop it starts (the menu, a modal
    // dialog) does not run inside this timer's handler, which would stop the timer.
    static void Later(std::function<void()> f) { QTimer::singleShot(0, qApp, std::move(f)); }

    void Poll()
    {
        if (m_step == Step::Done) return;
        if (m_stepTime.elapsed() > 15000) {
            probe::Print(QStringLiteral("stuck %1").arg(static_cast<int>(m_step)));
            std::_Exit(3);
        }
        QWidget* modal = QApplication::activeModalWidget();
        switch (m_step) {
            case Step::Main:
                if (const QCursor* c = QGuiApplication::overrideCursor();
                    c != nullptr && c->shape() == Qt::WaitCursor)
                    m_busySeen = true;
                if (modal == nullptr || modal->windowTitle() != probe::kMainTitle ||
                    !modal->isVisible())
                    return;
                m_main = modal;
                probe::Print(QStringLiteral("platform ") + QGuiApplication::platformName());
                probe::Print(QStringLiteral("busy-cursor %1").arg(m_busySeen ? 1 : 0));
                PrintGeometry(QStringLiteral("main"), modal);
                probe::ReadMainWindow(modal);
                if (!m_tour) return Finish();
                Next(Step::Menu);
                Later([w = m_main] { QTest::keyClick(w, Qt::Key_Space, Qt::AltModifier); });
                return;
            case Step::Menu:
                if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                    menu != nullptr && menu->isVisible()) {
                    QStringList texts;
                    QAction* about = nullptr;
                    for (QAction* a : menu->actions()) {
                        if (a->isSeparator()) continue;
                        texts << a->text();
                        if (a->data().toUInt() == IDM_ABOUTBOX) about = a;
                    }
                    probe::Print(QStringLiteral("menu ") + texts.join(QLatin1Char('|')));
                    if (about == nullptr) {
                        probe::Print(QStringLiteral("no About item"));
                        std::_Exit(3);
                    }
                    Next(Step::About);
                    Later([menu, about] {
                        menu->setActiveAction(about);
                        QTest::keyClick(menu, Qt::Key_Return);
                    });
                }
                return;
            case Step::About:
                if (modal == nullptr || modal == m_main || !modal->isVisible()) return;
                probe::Print(QStringLiteral("dialog ") + modal->windowTitle());
                PrintGeometry(QStringLiteral("dialog"), modal);
                Next(Step::Back);
                Later([modal] { QTest::keyClick(modal, Qt::Key_Escape); });
                return;
            case Step::Back:
                if (modal == m_main) Finish();
                return;
            case Step::Done:
                return;
        }
    }

    // Where the window is: under Wayland a client neither knows nor sets its position.
    static void PrintGeometry(const QString& what, QWidget* w)
    {
        const QRect g = w->geometry();
        probe::Print(QStringLiteral("geometry %1 %2x%3+%4+%5")
                         .arg(what)
                         .arg(g.width())
                         .arg(g.height())
                         .arg(g.x())
                         .arg(g.y()));
    }

    void Finish()
    {
        Next(Step::Done);
        m_poll.stop();
        PinLoadedLibraries();
        probe::Print(QStringLiteral("closing"));
        m_main->close();
    }

    bool m_tour;
    QTimer m_poll;
    QElapsedTimer m_stepTime;
    Step m_step = Step::Main;
    bool m_busySeen = false;
    QWidget* m_main = nullptr;
};

class ProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe_plugin.json")

public:
    QObject* create(const QString& key, const QString& parameter) override
    {
        if (key != QStringLiteral("dravmoorprobe")) return nullptr;
        return new Tour(parameter == QStringLiteral("tour"));
    }
};

}  // namespace

#include "probe_plugin.moc"
