#include "app/KestrelleApp.h"

#include "app/WindowPlacement.h"
#include "platform/BackgroundThreads.h"
#include "ui/ContentView.h"
#include "ui/Theme.h"
#include "ui/WindowTexts.h"
#include "update/UpdateChecker.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>

namespace {

// The platform theme's keys for a command, and `fallback` when the theme gives it none of its own:
// some give Quit no key at all and Close only Ctrl+F4. A key listed twice would make the shortcut
// ambiguous, and an ambiguous shortcut fires nothing.
QList<QKeySequence> keysFor(QKeySequence::StandardKey command, const QKeySequence& fallback) {
    QList<QKeySequence> keys = QKeySequence::keyBindings(command);
    if (!keys.contains(fallback)) {
        keys.append(fallback);
    }
    return keys;
}

} // namespace

KestrelleApp::KestrelleApp(UpdateChecker& updateChecker, ContentFactory makeContent,
                           QObject* parent)
    : QObject(parent)
    , m_updateChecker(updateChecker)
    , m_makeContent(std::move(makeContent))
    , m_about(new QAction(WindowTexts::aboutItem(), this))
    , m_checkForUpdates(new QAction(WindowTexts::checkForUpdates(), this))
    , m_newWindow(new QAction(WindowTexts::newWindow(), this))
    , m_quit(new QAction(WindowTexts::quit(), this)) {
    // On macOS these roles put About first in the application menu, the update check right after
    // it, and Quit last; Qt::CTRL is the Command key there.
    m_about->setMenuRole(QAction::AboutRole);
    m_checkForUpdates->setMenuRole(QAction::ApplicationSpecificRole);
    m_checkForUpdates->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    m_newWindow->setMenuRole(QAction::NoRole);
    m_newWindow->setShortcut(QKeySequence::New);
    m_quit->setMenuRole(QAction::QuitRole);
    m_quit->setShortcuts(keysFor(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)));

    connect(m_checkForUpdates, &QAction::triggered, this,
            [this] { m_updateChecker.checkForUpdates(true); });
    connect(m_newWindow, &QAction::triggered, this, [this] { newWindow(); });
    connect(m_about, &QAction::triggered, this,
            [this] { showAbout(qobject_cast<QMainWindow*>(QApplication::activeWindow())); });
    connect(m_quit, &QAction::triggered, this, &KestrelleApp::quit);
}

QString KestrelleApp::applicationName() {
    return WindowTexts::applicationName();
}

QMainWindow* KestrelleApp::newWindow() {
    // Not deleted on close: a window closed while it scans stays, hidden, until its walk has
    // stopped, so that the program cannot end under it.
    auto* window = new QMainWindow;
    window->setWindowTitle(applicationName());
    ContentView* content = m_makeContent();
    window->setCentralWidget(content);
    connect(content, &ContentView::appeared, this,
            [this] { m_updateChecker.checkForUpdates(false); });
    connect(&content->state(), &ContentState::stopped, window,
            [this, window] { closeWhenStopped(window); });
    window->installEventFilter(this);
    m_windows.append(window);
    connect(window, &QObject::destroyed, this, [this, window] {
        m_windows.removeOne(window);
        if (m_windows.isEmpty()) {
            emit allWindowsClosed();
        }
    });

    // Each window carries the same commands; on macOS they form the one global menu bar.
    QMenu* appMenu = window->menuBar()->addMenu(WindowTexts::applicationMenu());
    appMenu->addAction(m_about);
    appMenu->addAction(m_checkForUpdates);
    appMenu->addSeparator();
    appMenu->addAction(m_quit);
    QMenu* fileMenu = window->menuBar()->addMenu(WindowTexts::fileMenu());
    fileMenu->addAction(m_newWindow);
    auto* close = fileMenu->addAction(WindowTexts::closeWindow());
    close->setShortcuts(keysFor(QKeySequence::Close, QKeySequence(Qt::CTRL | Qt::Key_W)));
    connect(close, &QAction::triggered, window, &QWidget::close);
#ifndef Q_OS_MACOS
    // F10 opens the first menu, as elsewhere on these desktops; Alt and the marked letters reach
    // the menus as well.
    auto* openMenus = new QAction(window);
    openMenus->setShortcut(Qt::Key_F10);
    connect(openMenus, &QAction::triggered, window,
            [window, appMenu] { window->menuBar()->setActiveAction(appMenu->menuAction()); });
    window->addAction(openMenus);
#endif
    // The shared actions answer their shortcuts in whichever window is active.
    window->addActions({m_about, m_checkForUpdates, m_newWindow, m_quit});

    // The window never asks for more than the screen has, frame included.
    WindowPlacement::show(window, content, QSize(Theme::Window::width, Theme::Window::height));
    return window;
}

void KestrelleApp::bringForward(const QByteArray& activationToken) {
    if (!activationToken.isEmpty()) {
        // Where the desktop hands out activation tokens, the window comes forward with the one
        // that the later start was given; Qt takes it from there.
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    }
    auto* window = qobject_cast<QMainWindow*>(QApplication::activeWindow());
    if (!m_windows.contains(window)) {
        window = nullptr;
        // The newest window on screen; a closed one may still wait, hidden, for its walk to stop.
        for (QMainWindow* candidate : std::as_const(m_windows)) {
            window = candidate->isVisible() ? candidate : window;
        }
    }
    if (window == nullptr) {
        newWindow();
        return;
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

void KestrelleApp::quit() {
    if (m_quitQuestion && m_quitQuestion->isVisible()) {
        return;
    }
    QList<QMainWindow*> cleaning;
    for (QMainWindow* window : std::as_const(m_windows)) {
        const ContentState& state = contentOf(window)->state();
        if (state.isCleaning() && !state.isStopRequested()) {
            cleaning.append(window);
        }
    }
    const auto closeAll = [this] {
        // Cleaning windows refuse until their run has stopped, then close by themselves.
        for (QMainWindow* window : QList<QMainWindow*>(m_windows)) {
            window->close();
        }
    };
    if (cleaning.isEmpty()) {
        closeAll();
        return;
    }
    auto* active = qobject_cast<QMainWindow*>(QApplication::activeWindow());
    QMainWindow* asking = cleaning.contains(active) ? active : cleaning.first();
    m_quitQuestion = contentOf(asking)->askToStopCleaning([this, closeAll] {
        for (QMainWindow* window : std::as_const(m_windows)) {
            contentOf(window)->state().requestStop();
        }
        closeAll();
    });
}

int KestrelleApp::exec() {
    QGuiApplication::setQuitOnLastWindowClosed(false);
    connect(this, &KestrelleApp::allWindowsClosed, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
    const int status = QApplication::exec();
    // Every window has gone, and with it every scan and cleanup. What may still run is an update
    // check, which nobody will read now, and the idle threads of the background pools.
    m_updateChecker.abandonCheck();
    joinBackgroundThreads();
    return status;
}

QMessageBox* KestrelleApp::quitQuestion() const {
    return m_quitQuestion.data();
}

bool KestrelleApp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close) {
        auto* window = qobject_cast<QMainWindow*>(watched);
        if (window != nullptr && m_windows.contains(window) && !closeRequested(window)) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

ContentView* KestrelleApp::contentOf(QMainWindow* window) {
    return static_cast<ContentView*>(window->centralWidget());
}

bool KestrelleApp::closeRequested(QMainWindow* window) {
    ContentView* content = contentOf(window);
    ContentState& state = content->state();
    if (!state.isBusy()) {
        window->deleteLater();
        return true;
    }
    if (state.isCleaning()) {
        // The window stays, showing the run, until the removal under way has stopped.
        if (!state.isStopRequested()) {
            content->askToStopCleaning([&state] { state.requestStop(); });
        }
        return false;
    }
    // A scan is only reading: it stops without a question, and the window goes once its walk has.
    state.requestStop();
    return true;
}

void KestrelleApp::closeWhenStopped(QMainWindow* window) {
    if (window->isVisible()) {
        window->close();
    } else {
        window->deleteLater();
    }
}

void KestrelleApp::showAbout(QMainWindow* window) const {
    auto* box = new QMessageBox(QMessageBox::NoIcon, WindowTexts::about(),
                                WindowTexts::aboutMessage(m_updateChecker.currentAppVersion(),
                                                          m_updateChecker.currentBuildNumber()),
                                QMessageBox::Ok, window);
    box->setTextFormat(Qt::RichText);
    box->setIconPixmap(QApplication::windowIcon().pixmap(QSize(64, 64)));
    // Shown as plain text, as everything that is not the program's own.
    QFile licences(QStringLiteral(":/credits/lucide/LICENSE"));
    if (licences.open(QIODevice::ReadOnly)) {
        box->setDetailedText(QString::fromUtf8(licences.readAll()));
    }
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
