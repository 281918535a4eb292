#include "platform/ThreadPriority.h"

void lowerCurrentThreadPriority() {
    QThread::currentThread()->setPriority(QThread::LowPriority);
}
