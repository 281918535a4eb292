#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class ContentView;
class QAction;
class QEvent;
class QMainWindow;
class QMessageBox;
class UpdateChecker;

// The application shell: opens windows whose content is a fresh ContentView, starts a silent
// update check each time a window's content comes on screen, and carries the menu commands
// (About, "Check for Updates...", New Window, Quit). Every window shares one update checker.
//
// A window whose cleanup is running asks before it goes, and closes once the cleanup has stopped
// at its next safe point; a window that is scanning stops its walk and goes at once. Quitting asks
// once for every cleaning window. The program ends when the last window is gone, which is only
// once nothing runs in it any more.
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

    // A later start of the program asked for it: the active or newest window on screen comes
    // forward (un-minimised), or a window opens when none is on screen. `activationToken` is the
    // one the desktop gave that start, empty when it gave none.
    void bringForward(const QByteArray& activationToken);

    // Closes every window, asking first when any is cleaning (on the active window if it is one
    // of them). Keep Cleaning leaves everything as it was.
    void quit();

    // Runs the event loop until the last window is gone, then abandons an update check in flight
    // and joins the background threads: no thread of the program outlives it.
    int exec();

    // The stop question of a quit, while it is on screen.
    QMessageBox* quitQuestion() const;

    QAction* checkForUpdatesAction() const { return m_checkForUpdates; }
    QAction* aboutAction() const { return m_about; }
    QAction* newWindowAction() const { return m_newWindow; }
    QAction* quitAction() const { return m_quit; }

signals:
    // The last window has gone and nothing runs in any window any more.
    void allWindowsClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static ContentView* contentOf(QMainWindow* window);
    // Handles a request to close `window`; true when it may close now.
    bool closeRequested(QMainWindow* window);
    // Closes `window` once its stopped run has ended.
    void closeWhenStopped(QMainWindow* window);
    // Opens the About box over `window` (none: on its own), until it is closed.
    void showAbout(QMainWindow* window) const;

    UpdateChecker& m_updateChecker;
    ContentFactory m_makeContent;
    QAction* m_about;
    QAction* m_checkForUpdates;
    QAction* m_newWindow;
    QAction* m_quit;
    QList<QMainWindow*> m_windows;
    QPointer<QMessageBox> m_quitQuestion;
};
