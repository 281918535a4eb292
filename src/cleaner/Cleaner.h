#pragma once

#include "model/CleanupResult.h"
#include "model/FolderItem.h"
#include "platform/StopToken.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class FileSystem;
class ProcessLauncher;

// Carries out one cleanup run: the selected items, in list order, are left for the administrator
// command, handed to their own shell command, or removed from disk (and their folder made again
// where asked). The run itself lives on the GUI thread; each item is treated on a background
// thread, one after the other, so the window keeps drawing while a large folder goes.
class Cleaner {
public:
    using ProgressSink = std::function<void(const QString& name, double fraction)>;

    Cleaner(std::shared_ptr<FileSystem> fileSystem, std::shared_ptr<ProcessLauncher> launcher);

    // The instance for the running system, made on first use.
    static Cleaner& shared();

    // Treats every selected item of `items` and reports what happened. Before each selected item
    // `progress` gets its name and the share of the run already done (i / n, never 1), and the
    // event loop runs once so the report is on screen before the item is touched; while a removal
    // runs, it gets the same name again a few times a second with the share grown by the bytes
    // freed so far of the item's recorded size. Never fails: each failure becomes an entry of the
    // result's errors. The caller's list is not changed.
    //
    // The bytes freed by a removal are those the removal itself counted as it went, not the size
    // the scan recorded (the disk may have changed since, another window may have emptied the
    // folder), and they count even when the removal failed or stopped part-way. A command that
    // succeeded adds the item's recorded size, but a container engine's prune adds what the
    // engine reports for it before the command less what it reports after it.
    //
    // A stop request ends the run at its next safe point: no further item is started, a removal
    // under way ends between two entries and leaves the rest on disk, and a shell command under
    // way is waited for (never killed). An item stopped part-way is not made again and counts as
    // neither succeeded nor failed; the result covers what was done before the stop.
    QCoro::Task<CleanupResult> clean(QList<FolderItem> items, ProgressSink progress,
                                     StopToken stop = {});

private:
    std::shared_ptr<FileSystem> m_fileSystem;
    std::shared_ptr<ProcessLauncher> m_launcher;
};
