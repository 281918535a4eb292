#pragma once

#include "ui/ContentState.h"
#include "ui/FolderRow.h"

#include <QPointer>
#include <QWidget>

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

    ContentState m_state;
    FolderRow::Environment m_environment;
    QScrollArea* m_scroll;
    Dashboard* m_dashboard;
    Footer* m_footer;
    QPointer<QMessageBox> m_alerts[5];
    bool m_appeared = false;
};
