#include "platform/BackgroundThreads.h"

#include <QThread>
#include <QThreadPool>

#include <mutex>
#include <vector>

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
