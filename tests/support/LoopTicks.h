#pragma once

#include "platform/FileSystem.h"

#include <QObject>
#include <QTimer>

#include <atomic>

class FakeDisk;

// Counts the ticks of a 5 ms timer on the thread that makes it (the GUI thread in tests), so that
// work running elsewhere can see that the event loop keeps going. No figure of time is judged:
// a loaded machine only makes the ticks slower.
class LoopTicks : public QObject {
    Q_OBJECT
public:
    LoopTicks();
    int ticks() const { return m_ticks.load(); }
    // Called from any thread but this one's: waits until the loop has ticked `count` more times.
    // False when it has not within 20 s, so when the loop is blocked (by the caller, most likely).
    bool await(int count) const;

private:
    QTimer m_timer;
    std::atomic<int> m_ticks{0};
};

// The file system of a fake disk whose every walk and removal first waits, where it runs, for the
// event loop to tick: on the GUI thread, or while the GUI thread waits for it, it would wait for
// itself, and `stalled()` tells.
class TickingFileSystem final : public FileSystem {
public:
    TickingFileSystem(const FakeDisk& disk, const LoopTicks& ticks);
    qint64 allocatedSizeOfTree(const QString& path, const StopToken& stop,
                               SizeMeasure measure) const override;
    std::optional<RemovalFailure> removeItem(const QString& path, const StopToken& stop,
                                             FreedBytes* freed) const override;
    bool stalled() const { return m_stalled.load(); }
    int waits() const { return m_waits.load(); }

private:
    void awaitTicks() const;

    const LoopTicks& m_ticks;
    mutable std::atomic<bool> m_stalled{false};
    mutable std::atomic<int> m_waits{0};
};
