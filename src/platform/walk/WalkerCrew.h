#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The threads of one tree walk or removal. Each walker works through its own depth-first stack and,
// when that is empty, steals from the others; the crew tells an idle walker when there may be
// something to steal and when the whole walk is over. Unless told a fixed number, the crew starts
// with one walker per core and adds walkers while the ones it has keep waiting on the disk (a cold
// cache): more requests in flight then pay even though the processors are idle.
class WalkerCrew {
public:
    // `walkers` > 0: exactly that many; 0: follow the machine.
    explicit WalkerCrew(int walkers);
    WalkerCrew(const WalkerCrew&) = delete;
    WalkerCrew& operator=(const WalkerCrew&) = delete;

    // The most walkers this crew will ever have; walker indexes stay below it.
    int capacity() const { return m_capacity; }
    int count() const { return m_count.load(std::memory_order_relaxed); }

    // Runs `walker(index)` on the calling thread as walker 0 and on the other walkers' threads;
    // returns when every walker has returned and every thread is joined.
    void run(std::function<void(int)> walker);

    // Called by a walker with nothing of its own left after a failed steal. `anyStealable` looks
    // at the other walkers' hints. Waits until there may be something to steal (true) or until
    // every walker is idle, which ends the walk (false).
    bool waitForWork(int index, const std::function<bool()>& anyStealable);

    // Called by a walker that made work visible to thieves.
    void announceWork() {
        if (m_idle.load() > 0) {
            std::lock_guard lock(m_mutex);
            m_wake.notify_one();
        }
    }

    // Called by walker `index` after each folder it finished: adds a walker when this one keeps
    // blocking on the disk while nobody is idle.
    void folderDone(int index);

    // Descriptors each walker may keep open, out of the crew's shared budget.
    std::size_t folderBudget() const;

private:
    struct Pace {
        long folders = 0;
        long switches = -1;
    };

    void addWalker();
    bool startThread(int index);

    int m_initial;
    int m_capacity;
    std::atomic<bool> m_grows{false};
    std::function<void(int)> m_walker;
    std::atomic<int> m_count{0};
    std::atomic<int> m_idle{0};
    std::vector<Pace> m_pace;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::thread> m_threads;
    bool m_finished = false;
};
