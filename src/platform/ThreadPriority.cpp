#include "platform/ThreadPriority.h"

#include <QThread>
#include <QThreadPool>

#include <mutex>
#include <vector>

#if defined(Q_OS_LINUX)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

void lowerCurrentThreadPriority() {
#if defined(Q_OS_LINUX)
    // QThread::LowPriority changes nothing for ordinary Linux threads; a thread's own nice value
    // does, and on Linux it belongs to the single thread.
    constexpr int backgroundNice = 10;
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    if (::getpriority(PRIO_PROCESS, thread) < backgroundNice) {
        ::setpriority(PRIO_PROCESS, thread, backgroundNice);
    }
#else
    QThread::currentThread()->setPriority(QThread::LowPriority);
#endif
}

namespace {

std::mutex serialPoolsMutex;

std::vector<QThreadPool*>& serialPools() {
    static std::vector<QThreadPool*> pools;
    return pools;
}

} // namespace

QThreadPool* newSerialPool(QThread::Priority priority) {
    auto* pool = new QThreadPool;
    pool->setMaxThreadCount(1);
    pool->setThreadPriority(priority);
    const std::lock_guard lock(serialPoolsMutex);
    serialPools().push_back(pool);
    return pool;
}

void joinBackgroundThreads() {
    const std::lock_guard lock(serialPoolsMutex);
    for (QThreadPool* pool : serialPools()) {
        // Also ends the idle thread, which would otherwise linger until its expiry.
        pool->waitForDone();
    }
    QThreadPool::globalInstance()->waitForDone();
}
