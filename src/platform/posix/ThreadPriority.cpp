#include "platform/BackgroundThreads.h"

void lowerCurrentThreadPriority() {
    QThread::currentThread()->setPriority(QThread::LowPriority);
}
