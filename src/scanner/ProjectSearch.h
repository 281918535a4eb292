#pragma once

#include "model/FolderItem.h"
#include "model/SafetyTier.h"
#include "model/TargetPolicy.h"
#include "platform/StopToken.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>

class FileSystem;
class ScanRun;

// Finds the projects in the home folder and, beside each, the folders its own tools make again:
// a project is a folder below the home that directly holds a marker file (Cargo.toml, pom.xml, a
// package.json with a lock file, ...), and its build folders are the direct subfolders its rule
// names. Projects nest and a folder may be several at once. A project whose own files changed in
// the last 30 days is active: its build folders are offered, not selected.
class ProjectSearch {
public:
    // One build folder found, with everything its record says but the size.
    struct Found {
        QString path;
        QString name; // "webapp/node_modules"
        QString
            subtitle; // what it is, which tool makes it again, how long the project is unchanged
        SafetyTier tier;
        // Selected only for a dormant project; never made again, since the project's own tools
        // make it when they need it.
        TargetPolicy policy;
    };

    // Every build folder below `home`, in path order. The search walks the whole home but never
    // goes into a hidden folder, a link, a folder that one of `offered` reaches (what the
    // catalogue already offers), a folder of `unsearched` directly in the home, a build folder
    // (found or not, node_modules is never searched), a Python environment, or a network or FUSE
    // mount. `now` is the scan's time in seconds since the epoch. Blocking: never call it on the
    // GUI thread. A stop request ends it early with a partial list, to be dropped.
    static QList<Found> find(const FileSystem& fileSystem, const QString& home,
                             const QStringList& offered, const QStringList& unsearched, qint64 now,
                             const StopToken& stop);
};

// The finder of the home's project build folders: the search above, then each folder it finds
// measured whole, all in one job on the run's worker, in path order; never below a folder that one
// of `offered` names. Nothing when `home` is empty.
QCoro::Task<QList<FolderItem>> scanProjectBuildFolders(const ScanRun& run, QString home,
                                                       QList<FolderItem> offered);
