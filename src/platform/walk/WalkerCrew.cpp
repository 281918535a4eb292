#include "platform/walk/WalkerCrew.h"

#include "platform/walk/FolderStack.h"

#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <system_error>

namespace {

// Folders between two looks at how often a walker blocked, and how many blocks in that many
// folders mean it is waiting on the disk rather than computing: a warm walk hardly ever sleeps.
constexpr long sampleFolders = 32;
constexpr long blockedSwitches = 8;

} // namespace

WalkerCrew::WalkerCrew(int walkers) {
    const int cores = std::max(1, QThread::idealThreadCount());
    m_grows.store(walkers <= 0);
    m_initial = walkers > 0 ? walkers : cores;
    // Four requests in flight per core keep a disk busy; beyond that walkers only cost memory.
    m_capacity = walkers > 0 ? walkers : std::min(4 * cores, 16);
    m_pace.resize(static_cast<std::size_t>(m_capacity));
}

void WalkerCrew::run(std::function<void(int)> walker) {
    m_walker = std::move(walker);
    {
        std::lock_guard lock(m_mutex);
        m_count.store(1);
        for (int index = 1; index < m_initial; ++index) {
            if (!startThread(index)) {
                break;
            }
        }
    }
    m_walker(0);
    // Walker 0 returns only once the walk is over, when nobody can add a walker any more.
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(m_mutex);
        threads = std::move(m_threads);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

bool WalkerCrew::startThread(int index) {
    m_count.fetch_add(1);
    try {
        // The thread inherits the priority of the one that started the walk: the scanner and the
        // cleaner lower theirs, so every walker stays behind the window.
        m_threads.emplace_back([this, index] { m_walker(index); });
    } catch (const std::system_error&) {
        m_count.fetch_sub(1);
        m_grows = false;
        return false;
    }
    return true;
}

void WalkerCrew::addWalker() {
    std::lock_guard lock(m_mutex);
    const int index = m_count.load();
    if (!m_finished && m_grows && index < m_capacity) {
        startThread(index);
    }
}

bool WalkerCrew::waitForWork(int index, const std::function<bool()>& anyStealable) {
    std::unique_lock lock(m_mutex);
    m_idle.fetch_add(1);
    for (;;) {
        if (m_finished) {
            return false;
        }
        if (anyStealable()) {
            m_idle.fetch_sub(1);
            // Blocks while idle say nothing about the disk.
            m_pace[static_cast<std::size_t>(index)] = {};
            return true;
        }
        if (m_idle.load() == m_count.load()) {
            m_finished = true;
            m_wake.notify_all();
            return false;
        }
        m_wake.wait(lock);
    }
}

void WalkerCrew::folderDone(int index) {
#if defined(RUSAGE_THREAD)
    if (!m_grows) {
        return;
    }
    Pace& pace = m_pace[static_cast<std::size_t>(index)];
    if (++pace.folders < sampleFolders) {
        return;
    }
    struct rusage usage {};
    ::getrusage(RUSAGE_THREAD, &usage);
    const long before = pace.switches;
    pace = {0, usage.ru_nvcsw};
    if (before >= 0 && usage.ru_nvcsw - before >= blockedSwitches && m_idle.load() == 0 &&
        count() < m_capacity) {
        addWalker();
    }
#else
    Q_UNUSED(index);
#endif
}

std::size_t WalkerCrew::folderBudget() const {
    return std::max<std::size_t>(4,
                                 maxOpenFolders / static_cast<std::size_t>(std::max(1, count())));
}
