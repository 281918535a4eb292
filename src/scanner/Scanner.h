#pragma once

#include "model/FolderItem.h"
#include "platform/StopToken.h"
#include "scanner/PlatformCatalogue.h"
#include "scanner/ScanStep.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <memory>

class FileSystem;

// The scanning service that every window shares: it starts scans (ScanRun) of one file system and
// measures single folders. Holds no scan's state, so windows scan at once, each with its own stop.
class Scanner {
public:
    explicit Scanner(std::shared_ptr<FileSystem> fileSystem);

    // The instance for the running system, made on first use.
    static Scanner& shared();

    // One whole scan in a run of its own (ScanRun::scan): the steps in order, each told to
    // `stepStarted` before it starts; every target larger than 0 bytes, largest first; nothing
    // once `stop` is requested.
    QCoro::Task<QList<FolderItem>> scanAll(ScanStepSink stepStarted, StopToken stop = {});

    // Bytes allocated below `path`, measured off the GUI thread on the scans' worker as `measure`
    // says (by default as this system measures its catalogue); 0 for anything unmeasurable.
    QCoro::Task<qint64> folderSize(QString path,
                                   SizeMeasure measure = PlatformCatalogue::sizeMeasure());

private:
    const std::shared_ptr<FileSystem> m_fileSystem;
};
