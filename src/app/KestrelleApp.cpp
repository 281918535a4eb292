#include "app/KestrelleApp.h"

#include "ui/ContentView.h"
#include "update/UpdateChecker.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>

KestrelleApp::KestrelleApp(UpdateChecker& updateChecker, ContentFactory makeContent,
                           QObject* parent)
    : QObject(parent)
    , m_updateChecker(updateChecker)
    , m_makeContent(std::move(makeContent))
    , m_about(new QAction(QStringLiteral("About ") + applicationName(), this))
    , m_checkForUpdates(new QAction(QStringLiteral("Check for Updates..."), this))
    , m_newWindow(new QAction(QStringLiteral("New Window"), this))
    , m_quit(new QAction(QStringLiteral("Quit ") + applicationName(), this)) {
    // On macOS these roles put About first in the application menu, the update check right after
    // it, and Quit last; Qt::CTRL is the Command key there.
    m_about->setMenuRole(QAction::AboutRole);
    m_checkForUpdates->setMenuRole(QAction::ApplicationSpecificRole);
    m_checkForUpdates->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    m_newWindow->setMenuRole(QAction::NoRole);
    m_newWindow->setShortcut(QKeySequence::New);
    m_quit->setMenuRole(QAction::QuitRole);
    m_quit->setShortcut(QKeySequence::Quit);

    connect(m_checkForUpdates, &QAction::triggered, this,
            [this] { m_updateChecker.checkForUpdates(true); });
    connect(m_newWindow, &QAction::triggered, this, [this] { newWindow(); });
    connect(m_about, &QAction::triggered, this,
            [this] { showAbout(qobject_cast<QMainWindow*>(QApplication::activeWindow())); });
    connect(m_quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);
}

QString KestrelleApp::applicationName() {
    return QStringLiteral("Kestrelle");
}

QMainWindow* KestrelleApp::newWindow() {
    auto* window = new QMainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(applicationName());
    ContentView* content = m_makeContent();
    window->setCentralWidget(content);
    connect(content, &ContentView::appeared, this,
            [this] { m_updateChecker.checkForUpdates(false); });

    // Each window carries the same commands; on macOS they form the one global menu bar.
    QMenu* appMenu = window->menuBar()->addMenu(applicationName());
    appMenu->addAction(m_about);
    appMenu->addAction(m_checkForUpdates);
    appMenu->addSeparator();
    appMenu->addAction(m_quit);
    QMenu* fileMenu = window->menuBar()->addMenu(QStringLiteral("File"));
    fileMenu->addAction(m_newWindow);
    auto* close = fileMenu->addAction(QStringLiteral("Close Window"));
    close->setShortcut(QKeySequence::Close);
    connect(close, &QAction::triggered, window, &QWidget::close);
    // The shared actions answer their shortcuts in whichever window is active.
    window->addActions({m_about, m_checkForUpdates, m_newWindow, m_quit});

    window->resize(960, 760);
    window->show();
    return window;
}

void KestrelleApp::showAbout(QMainWindow* window) const {
    QMessageBox::about(window, QStringLiteral("About ") + applicationName(),
                       QStringLiteral("<b>%1</b><br>Version %2 (Build %3)")
                           .arg(applicationName(), m_updateChecker.currentAppVersion())
                           .arg(m_updateChecker.currentBuildNumber()));
}
