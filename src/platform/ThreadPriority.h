#pragma once

#include <QThread>

class QThreadPool;

// Lets the calling thread yield to the GUI thread: background work such as folder walks runs at a
// lower scheduling priority so the window keeps its share of the processor.
void lowerCurrentThreadPriority();

// A pool of one thread that is never released, for work that must run one item at a time off the
// GUI thread (folder walks, removals, waiting for a command).
QThreadPool* newSerialPool(QThread::Priority priority);
