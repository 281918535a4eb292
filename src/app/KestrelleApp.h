#pragma once

#include <QObject>

#include <functional>

class ContentView;
class QAction;
class QMainWindow;
class UpdateChecker;

// The application shell: opens windows whose content is a fresh ContentView, starts a silent
// update check each time a window's content comes on screen, and carries the menu commands
// (About, "Check for Updates...", New Window, Quit). Every window shares one update checker.
class KestrelleApp : public QObject {
    Q_OBJECT

public:
    // Makes the content of each new window; the program's uses the shared services.
    using ContentFactory = std::function<ContentView*()>;

    KestrelleApp(UpdateChecker& updateChecker, ContentFactory makeContent,
                 QObject* parent = nullptr);

    static QString applicationName();

    // Opens another window with fresh state.
    QMainWindow* newWindow();

    QAction* checkForUpdatesAction() const { return m_checkForUpdates; }
    QAction* aboutAction() const { return m_about; }
    QAction* newWindowAction() const { return m_newWindow; }
    QAction* quitAction() const { return m_quit; }

private:
    void showAbout(QMainWindow* window) const;

    UpdateChecker& m_updateChecker;
    ContentFactory m_makeContent;
    QAction* m_about;
    QAction* m_checkForUpdates;
    QAction* m_newWindow;
    QAction* m_quit;
};
