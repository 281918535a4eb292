#include "platform/BackgroundThreads.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

void lowerCurrentThreadPriority() {
    // QThread::LowPriority changes nothing for ordinary Linux threads; a thread's own nice value
    // does, and on Linux it belongs to the single thread.
    constexpr int backgroundNice = 10;
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    if (::getpriority(PRIO_PROCESS, thread) < backgroundNice) {
        ::setpriority(PRIO_PROCESS, thread, backgroundNice);
    }
}
