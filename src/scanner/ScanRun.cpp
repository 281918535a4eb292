#include "scanner/ScanRun.h"

#include "platform/BackgroundThreads.h"
#include "platform/FileSystem.h"
#include "scanner/CategoryRules.h"
#include "scanner/ContainerEngineRules.h"
#include "scanner/ProjectSearch.h"

#include <QCoroFuture>
#include <QThreadPool>
#include <QtConcurrent>

#include <algorithm>
#include <utility>

ScanRun::ScanRun(std::shared_ptr<FileSystem> fileSystem, StopToken stop)
    : m_fileSystem(std::move(fileSystem))
    , m_stop(std::move(stop)) {}

QThreadPool& ScanRun::sizingPool() {
    static QThreadPool* pool = newSerialPool(QThread::LowPriority);
    return *pool;
}

bool ScanRun::starts(ScanStep step, const ScanStepSink& stepStarted) const {
    if (m_stop.stopRequested()) {
        return false;
    }
    if (stepStarted) {
        stepStarted(step);
    }
    return true;
}

QCoro::Task<QList<FolderItem>> ScanRun::scan(ScanStepSink stepStarted) {
    const QString home = m_fileSystem->homePath();
    QList<FolderItem> found;
    const std::pair<ScanStep, std::function<QCoro::Task<QList<FolderItem>>()>> categoryScans[] = {
        {ScanStep::safeCaches, [&] { return scanSafeCaches(*this, home); }},
        {ScanStep::developerTools, [&] { return scanDeveloperTools(*this, home); }},
        {ScanStep::simulators, [&] { return scanSimulators(*this); }},
        {ScanStep::dormantPlugins, [&] { return scanDormantPlugins(*this); }},
        {ScanStep::containerResidue, [&] { return scanContainerResidue(*this, home); }},
        {ScanStep::projectBuildFolders,
         [&] { return scanProjectBuildFolders(*this, home, found); }},
    };
    for (const auto& [step, scanStep] : categoryScans) {
        if (!starts(step, stepStarted)) {
            co_return {};
        }
        found += co_await scanStep();
    }
    found.removeIf([](const FolderItem& item) { return item.size <= 0; });
    // A folder below another target goes with it: listing both would count its bytes twice.
    found = co_await withoutNested(std::move(found));
    if (!starts(ScanStep::containerEngines, stepStarted)) {
        co_return {};
    }
    // An engine's records free what the engine frees, not their folder: none nests in another.
    found += co_await scanContainerEngines(*this);
    if (m_stop.stopRequested()) {
        // Sizes cut short would understate what a target holds.
        co_return {};
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const FolderItem& a, const FolderItem& b) { return a.size > b.size; });
    co_return found;
}

QCoro::Task<QList<FolderItem>> ScanRun::withoutNested(QList<FolderItem> found) {
    QStringList paths;
    for (const FolderItem& item : std::as_const(found)) {
        paths.append(item.path);
    }
    // For each record, the records it holds once nested ones are dropped, or nothing for one that
    // is dropped itself. Resolving links reads the disk: off the GUI thread too.
    QFuture<QList<std::optional<QList<qsizetype>>>> judging =
        QtConcurrent::run(&sizingPool(), [fileSystem = m_fileSystem, paths = std::move(paths)] {
            QList<QList<FileSystem::Identity>> chains;
            for (const QString& path : paths) {
                chains.append(fileSystem->identityChain(path));
            }
            const auto within = [&](qsizetype inner, qsizetype outer) {
                return FileSystem::liesWithin(paths[inner], chains[inner], paths[outer],
                                              chains[outer]);
            };
            QList<std::optional<QList<qsizetype>>> held(paths.size());
            for (qsizetype i = 0; i < paths.size(); ++i) {
                bool nested = false;
                for (qsizetype j = 0; j < paths.size() && !nested; ++j) {
                    nested = j != i && within(i, j) && (j < i || !within(j, i));
                }
                if (nested) {
                    continue;
                }
                held[i].emplace();
                for (qsizetype j = 0; j < paths.size(); ++j) {
                    if (j != i && within(j, i)) {
                        held[i]->append(j);
                    }
                }
            }
            return held;
        });
    const QList<std::optional<QList<qsizetype>>> held = co_await judging;
    QList<FolderItem> kept;
    for (qsizetype i = 0; i < found.size(); ++i) {
        if (!held[i]) {
            continue;
        }
        FolderItem& item = found[i];
        for (const qsizetype inner : *held[i]) {
            item.isSelected = item.isSelected && found[inner].isSelected;
            // Tiers are declared from safe to caution.
            item.safetyTier = std::max(item.safetyTier, found[inner].safetyTier);
            item.requiresSudo = item.requiresSudo || found[inner].requiresSudo;
        }
        kept.append(std::move(item));
    }
    co_return kept;
}
