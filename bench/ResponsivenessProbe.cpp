#include "ResponsivenessProbe.h"

ResponsivenessProbe::ResponsivenessProbe() {
    m_timer.setInterval(5);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const qint64 now = m_clock.elapsed();
        m_longestGap = std::max(m_longestGap, now - m_last);
        m_last = now;
        ++m_ticks;
    });
}

void ResponsivenessProbe::start() {
    m_clock.start();
    m_last = 0;
    m_longestGap = 0;
    m_ticks = 0;
    m_timer.start();
}

void ResponsivenessProbe::stop() {
    const qint64 now = m_clock.elapsed();
    m_longestGap = std::max(m_longestGap, now - m_last);
    m_timer.stop();
}
