#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Measures how long the GUI thread's event loop keeps a 5 ms timer waiting while work goes on; for
// bench/, which prints the figure (tests count ticks with LoopTicks instead).
class ResponsivenessProbe : public QObject {
    Q_OBJECT
public:
    ResponsivenessProbe();
    void start();
    void stop();
    // The longest gap between two ticks, in milliseconds.
    qint64 longestGapMs() const { return m_longestGap; }
    int ticks() const { return m_ticks; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longestGap = 0;
    int m_ticks = 0;
};
