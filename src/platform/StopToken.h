#pragma once

#include <QDeadlineTimer>

#include <algorithm>
#include <atomic>
#include <memory>

// A request to stop long work at its next safe point. The side that may want to stop (a window
// being closed, the program quitting) keeps a copy and calls requestStop(); the work (a size walk,
// a removal) is handed a copy and polls stopRequested() between entries. Copies share one flag,
// so a token can cross threads by value. A default-constructed token never reports a stop.
class StopToken {
public:
    StopToken() = default;

    // A token that can be stopped.
    static StopToken stoppable() {
        StopToken token;
        token.m_flag = std::make_shared<std::atomic<bool>>(false);
        return token;
    }

    void requestStop() const {
        if (m_flag) {
            m_flag->store(true, std::memory_order_relaxed);
        }
    }

    bool stopRequested() const { return m_flag && m_flag->load(std::memory_order_relaxed); }

private:
    std::shared_ptr<std::atomic<bool>> m_flag;
};

// How long one wait for a program or a daemon, bounded by `deadline`, lasts before the waiting
// work looks at its stop request again.
inline int waitSliceMs(const QDeadlineTimer& deadline) {
    constexpr qint64 sliceMs = 50;
    return static_cast<int>(
        deadline.isForever() ? sliceMs : std::clamp<qint64>(deadline.remainingTime(), 0, sliceMs));
}
