#pragma once

#include "model/FolderItem.h"
#include "platform/StopToken.h"
#include "scanner/ScanStep.h"

#include <QCoroTask>
#include <QList>

#include <memory>

class FileSystem;
class QThreadPool;

// One scan of the catalogue: the file system it reads, the stop request it obeys and the order of
// its steps. Runs on the GUI thread; the walks and the judging of links leave it, one at a time,
// on a low-priority worker, and the engines are asked on a worker of their own. Reads the disk and
// nothing else: it never changes anything. Every finder a step uses (FixedLocationRules,
// ListingRules, ProjectSearch, ContainerEngineRules) reads the disk and the stop request through
// the run it is given.
class ScanRun {
public:
    // `stop` ends this run's walks early and starts no other step.
    explicit ScanRun(std::shared_ptr<FileSystem> fileSystem, StopToken stop = {});

    // Runs the five category scans in category order, then the search of the home's projects,
    // asks the container engines last, tells `stepStarted` of each step before it starts, and
    // returns every target larger than 0 bytes, largest first (equal sizes keep the order in which
    // they were found). A stop request ends the walk under way at its next entry and starts no
    // other step; the run then returns nothing (not a partial list) and the worker is free for the
    // next one.
    QCoro::Task<QList<FolderItem>> scan(ScanStepSink stepStarted = {});

    // The disk as this run sees it; shared with the jobs the run sends to workers.
    const std::shared_ptr<FileSystem>& fileSystem() const { return m_fileSystem; }
    const StopToken& stop() const { return m_stop; }

    // Walks run here, one at a time, at background priority; a walk spreads its own folders over
    // the machine's cores.
    static QThreadPool& sizingPool();

private:
    // Tells `stepStarted` that `step` starts, unless the run is being stopped: then nothing more
    // starts and the answer is false.
    bool starts(ScanStep step, const ScanStepSink& stepStarted) const;

    // `found` without every record whose folder is, or lies inside, the folder of another one: the
    // outer one stays, and of records that reach the same folder the first. What stays takes the
    // most careful policy of all it holds: not selected if one of them is not, the highest tier,
    // and left to the administrator command if one of them is.
    QCoro::Task<QList<FolderItem>> withoutNested(QList<FolderItem> found);

    const std::shared_ptr<FileSystem> m_fileSystem;
    const StopToken m_stop;
};
