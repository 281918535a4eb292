#pragma once

#include <QWidget>

class ActivityIndicator;
class ContentState;
class QProgressBar;
class QPushButton;
class SymbolView;
class TextLabel;

// The strip under the dashboard: what the window is doing, what is selected, and the two commands.
// It shows the window's state and hands the buttons to it; it keeps nothing of its own.
class Footer : public QWidget {
    Q_OBJECT

public:
    explicit Footer(ContentState& state, QWidget* parent = nullptr);

    // Reads the state again.
    void refresh();

    ActivityIndicator* activityIndicator() const { return m_spinner; }
    SymbolView* idleIndicator() const { return m_idle; }
    TextLabel* statusLabel() const { return m_status; }
    QProgressBar* progressBar() const { return m_progress; }
    QWidget* selectionSummary() const { return m_summary; }
    TextLabel* selectionCountLabel() const { return m_count; }
    TextLabel* selectionSizeLabel() const { return m_size; }
    QPushButton* rescanButton() const { return m_rescan; }
    QPushButton* cleanButton() const { return m_clean; }

signals:
    void rescanRequested();

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateIcons();

    ContentState& m_state;
    ActivityIndicator* m_spinner;
    SymbolView* m_idle;
    TextLabel* m_status;
    QProgressBar* m_progress;
    QWidget* m_summary;
    TextLabel* m_count;
    TextLabel* m_size;
    QPushButton* m_rescan;
    QPushButton* m_clean;
};
