#pragma once

#include <QThread>

class QThreadPool;

// The threads the program's long work runs on, and the one join that ends them all before main
// returns.

// Lets the calling thread yield to the GUI thread: background work such as folder walks runs at a
// lower scheduling priority so the window keeps its share of the processor.
void lowerCurrentThreadPriority();

// A pool of one thread for work that must run one item at a time off the GUI thread (folder walks,
// removals, waiting for a command). The pool object lives as long as the process.
QThreadPool* newSerialPool(QThread::Priority priority);

// Waits until every pool made by newSerialPool, and the pool Qt keeps for its own background
// jobs, has run out of work, and joins their threads. The program calls it once its event loop is
// over and its long work has been asked to stop, so that no thread of it is still running when
// main returns. A pool used again afterwards starts a new thread.
void joinBackgroundThreads();
