#pragma once

#include "model/FolderItem.h"
#include "platform/StopToken.h"
#include "scanner/FixedLocation.h"
#include "scanner/PlatformCatalogue.h"
#include "scanner/RecordTraits.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <span>

class FileSystem;
class QThreadPool;

// Turns the fixed catalogue of cache and build-artefact locations into cleanup targets. Runs on the
// GUI thread; only the folder walks leave it, one at a time, on a low-priority worker. Reads the
// disk and nothing else: it never changes anything.
class Scanner {
public:
    using StatusSink = std::function<void(const QString&)>;

    // `stop` ends this scanner's walks early; the program's scanner never stops by itself and
    // gives each scan its own request instead (scanAll).
    explicit Scanner(std::shared_ptr<FileSystem> fileSystem, StopToken stop = {});

    // The instance for the running system, made on first use.
    static Scanner& shared();

    // Runs the five category scans in category order, then the search of the home's projects, asks
    // the container engines last, hands one status text per step to `statusUpdate` before that
    // step starts, and returns every target larger than 0 bytes, largest first (equal sizes keep
    // the order in which they were found).
    // A stop request ends the walk under way at its next entry and starts no other; the scan
    // then returns nothing (not a partial list) and the worker is free for the next one.
    QCoro::Task<QList<FolderItem>> scanAll(StatusSink statusUpdate, StopToken stop = {});

    // Bytes allocated below `path`, measured off the GUI thread as `measure` says (by default as
    // this system measures its catalogue); 0 for anything unmeasurable.
    QCoro::Task<qint64> folderSize(QString path,
                                   SizeMeasure measure = PlatformCatalogue::sizeMeasure());

    // Category scans, each returning its records in the order found. The home-based ones find
    // nothing when `home` is empty.
    QCoro::Task<QList<FolderItem>> scanSafeCaches(QString home);
    QCoro::Task<QList<FolderItem>> scanDeveloperTools(QString home);
    QCoro::Task<QList<FolderItem>> scanSimulators();
    QCoro::Task<QList<FolderItem>> scanDormantPlugins();
    QCoro::Task<QList<FolderItem>> scanContainerResidue(QString home);
    // The build folders of the projects in the home (ProjectSearch), in path order, each measured
    // whole; never below a folder that one of `offered` names.
    QCoro::Task<QList<FolderItem>> scanProjectBuildFolders(QString home, QList<FolderItem> offered);
    // What this machine's container engines free with their own prune commands, as records that
    // run those commands, larger than 0 bytes only; asked off the GUI thread after the catalogue,
    // under its own status text.
    QCoro::Task<QList<FolderItem>> scanContainerEngines(StatusSink statusUpdate);

private:
    // Walks run here, one at a time, at background priority; a walk spreads its own folders over
    // the machine's cores.
    static QThreadPool& sizingPool();

    struct Texts {
        QString name;
        QString subtitle;
    };
    // Decides whether a listed entry is a candidate, and if so how its record reads.
    using EntryMatch = std::function<std::optional<Texts>(const QString& entryName)>;

    static Texts textsOf(const FixedLocation& rule);
    // Entries whose names begin with "." are hidden, and most listing rules pass them over.
    static bool isHidden(const QString& entryName);
    static FolderItem makeRecord(QString path, qint64 size, Texts texts, RecordTraits traits);

    // The bytes below `path`, judged (isOfferableLocation) and then measured off the GUI thread;
    // nothing when the location may not be offered, or the scan is being stopped.
    QCoro::Task<std::optional<qint64>> offeredSize(QString path, RecordTraits traits);
    // Measures `path` and appends a record when it may be offered and is larger than `threshold`
    // bytes. Every rule's record is made here.
    QCoro::Task<> addIfLarger(QList<FolderItem>& found, QString path, qint64 threshold, Texts texts,
                              RecordTraits traits);
    // A location that must exist; measured and listed when larger than `threshold`.
    QCoro::Task<> fixedPathRule(QList<FolderItem>& found, QString path, qint64 threshold,
                                Texts texts, RecordTraits traits);
    // Each row in order as a fixed-path rule on `base` + its location, listed when larger than 0.
    QCoro::Task<> fixedPathRules(QList<FolderItem>& found, QString base,
                                 std::span<const FixedLocation> rules, RecordTraits traits);
    // Each of this system's own locations in order as a fixed-path rule, listed when larger than 0;
    // `traits` are the category's, but for the policy that each location sets.
    QCoro::Task<> fixedPathRules(QList<FolderItem>& found,
                                 QList<PlatformCatalogue::Location> locations, RecordTraits traits);
    // Every entry of `folder` that `match` accepts, in listing order, measured and listed when
    // larger than `threshold`. A folder that cannot be listed adds nothing.
    QCoro::Task<> listingRule(QList<FolderItem>& found, QString folder, qint64 threshold,
                              EntryMatch match, RecordTraits traits);

    // The side-by-side NDK versions in `folder` (entries named like a version) except the latest,
    // oldest first.
    QCoro::Task<> olderNdkVersions(QList<FolderItem>& found, QString folder, RecordTraits traits);

    QCoro::Task<QList<FolderItem>> scanCategories(StatusSink statusUpdate);
    // `found` without every record whose folder is, or lies inside, the folder of another one: the
    // outer one stays, and of records that reach the same folder the first. What stays takes the
    // most careful policy of all it holds: not selected if one of them is not, the highest tier,
    // and left to the administrator command if one of them is.
    QCoro::Task<QList<FolderItem>> withoutNested(QList<FolderItem> found);

    std::shared_ptr<FileSystem> m_fileSystem;
    const StopToken m_stop;
};
