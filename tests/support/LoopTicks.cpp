#include "support/LoopTicks.h"

#include "support/FakeDisk.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

LoopTicks::LoopTicks() {
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, [this] { ++m_ticks; });
    m_timer.start();
}

bool LoopTicks::await(int count) const {
    const int goal = m_ticks.load() + count;
    const QDeadlineTimer deadline(20'000);
    while (m_ticks.load() < goal) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(1);
    }
    return true;
}

TickingFileSystem::TickingFileSystem(const FakeDisk& disk, const LoopTicks& ticks)
    : FileSystem(QFile::encodeName(disk.root()), disk.home())
    , m_ticks(ticks) {}

void TickingFileSystem::awaitTicks() const {
    ++m_waits;
    // Once stalled, the rest of the work goes on at once rather than stall again.
    if (!m_stalled.load() && !m_ticks.await(3)) {
        m_stalled = true;
    }
}

qint64 TickingFileSystem::allocatedSizeOfTree(const QString& path, const StopToken& stop,
                                              SizeMeasure measure) const {
    awaitTicks();
    return FileSystem::allocatedSizeOfTree(path, stop, measure);
}

std::optional<RemovalFailure>
TickingFileSystem::removeItem(const QString& path, const StopToken& stop, FreedBytes* freed) const {
    awaitTicks();
    return FileSystem::removeItem(path, stop, freed);
}
