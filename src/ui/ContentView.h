#pragma once

#include "ui/ContentState.h"
#include "ui/FolderRow.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class Dashboard;
class Footer;
class QMessageBox;
class QScrollArea;

// The content of a main window: the dashboard in a scroll area, the footer, and the confirmation
// and alerts, each shown while its flag is true and clearing it when dismissed. Its first
// appearance starts the launch task (disk figures, then a scan).
class ContentView : public QWidget {
    Q_OBJECT

public:
    enum class Alert { confirm, result, newVersion, upToDate, checkFailed };

    ContentView(ContentState::Services services, FolderRow::Environment environment,
                QWidget* parent = nullptr);

    ContentState& state() { return m_state; }
    Dashboard* dashboard() const { return m_dashboard; }
    Footer* footer() const { return m_footer; }
    QScrollArea* scrollArea() const { return m_scroll; }
    // The message box of an alert while it is on screen, else null.
    QMessageBox* presentedAlert(Alert alert) const;

    // Asks, on this window, whether to stop the cleanup and close; `stopAndClose` runs only when
    // the user says so. Keep Cleaning, the default and the answer to Escape, changes nothing.
    // Returns the question, which stays on screen until answered.
    QMessageBox* askToStopCleaning(std::function<void()> stopAndClose);
    QMessageBox* stopCleaningQuestion() const;

signals:
    // The content came on screen for the first time.
    void appeared();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void syncAlerts();
    void syncAlert(Alert alert, bool wanted);
    QMessageBox* makeAlert(Alert alert);
    QMessageBox* newMessageBox();
    // Plain text throughout, a bold title, a minimum width and the theme's focus ring on the
    // buttons, once the box has all its parts.
    static void finishAlert(QMessageBox* box);

    ContentState m_state;
    FolderRow::Environment m_environment;
    QScrollArea* m_scroll;
    Dashboard* m_dashboard;
    Footer* m_footer;
    QPointer<QMessageBox> m_alerts[5];
    QPointer<QMessageBox> m_stopQuestion;
    bool m_appeared = false;
};
