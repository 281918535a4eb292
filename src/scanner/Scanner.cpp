#include "scanner/Scanner.h"

#include "platform/BackgroundThreads.h"
#include "platform/FileSystem.h"
#include "scanner/OfferableLocation.h"

#include <QCoroFuture>
#include <QThreadPool>
#include <QtConcurrent>

#include <algorithm>
#include <utility>

Scanner::Scanner(std::shared_ptr<FileSystem> fileSystem, StopToken stop)
    : m_fileSystem(std::move(fileSystem))
    , m_stop(std::move(stop)) {}

QThreadPool& Scanner::sizingPool() {
    static QThreadPool* pool = newSerialPool(QThread::LowPriority);
    return *pool;
}

Scanner& Scanner::shared() {
    static Scanner scanner(FileSystem::system());
    return scanner;
}

QCoro::Task<QList<FolderItem>> Scanner::scanAll(StatusSink statusUpdate, StopToken stop) {
    // The shared scanner serves every window at once: each scan carries its own stop request in a
    // scanner of its own, which lives as long as the scan.
    Scanner scan(m_fileSystem, std::move(stop));
    QList<FolderItem> found = co_await scan.scanCategories(std::move(statusUpdate));
    if (scan.m_stop.stopRequested()) {
        // Sizes cut short would understate what a target holds.
        co_return {};
    }
    co_return found;
}

QCoro::Task<QList<FolderItem>> Scanner::scanCategories(StatusSink statusUpdate) {
    const QString home = m_fileSystem->homePath();
    QList<FolderItem> found;
    const std::pair<const char*, std::function<QCoro::Task<QList<FolderItem>>()>> categoryScans[] =
        {
            {"Scanning safe application caches...", [&] { return scanSafeCaches(home); }},
            {"Scanning developer tools & build caches...",
             [&] { return scanDeveloperTools(home); }},
            {"Scanning iOS simulator caches...", [&] { return scanSimulators(); }},
            {"Scanning audio plugins & dormant formats...", [&] { return scanDormantPlugins(); }},
            {"Scanning sandbox extraction residues...", [&] { return scanContainerResidue(home); }},
            {"Looking for project build folders...",
             [&] { return scanProjectBuildFolders(home, found); }},
        };

    for (const auto& [status, scan] : categoryScans) {
        if (m_stop.stopRequested()) {
            co_return {};
        }
        if (statusUpdate) {
            statusUpdate(QString::fromLatin1(status));
        }
        found += co_await scan();
    }
    found.removeIf([](const FolderItem& item) { return item.size <= 0; });
    // A folder below another target goes with it: listing both would count its bytes twice.
    found = co_await withoutNested(std::move(found));
    // An engine's records free what the engine frees, not their folder: none nests in another.
    found += co_await scanContainerEngines(statusUpdate);
    std::stable_sort(found.begin(), found.end(),
                     [](const FolderItem& a, const FolderItem& b) { return a.size > b.size; });
    co_return found;
}

QCoro::Task<QList<FolderItem>> Scanner::withoutNested(QList<FolderItem> found) {
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

QCoro::Task<qint64> Scanner::folderSize(QString path, SizeMeasure measure) {
    if (m_stop.stopRequested()) {
        // The scan is being abandoned; its remaining rules finish without walking anything.
        co_return 0;
    }
    // Only the path (and the stop request) goes to the worker and only the number comes back.
    QFuture<qint64> measuring = QtConcurrent::run(
        &sizingPool(), [fileSystem = m_fileSystem, path = std::move(path), stop = m_stop, measure] {
            lowerCurrentThreadPriority();
            return fileSystem->allocatedSizeOfTree(path, stop, measure);
        });
    co_return co_await measuring;
}

Scanner::Texts Scanner::textsOf(const FixedLocation& rule) {
    return {rule.name.toString(), rule.subtitle.toString()};
}

bool Scanner::isHidden(const QString& entryName) {
    return entryName.startsWith(QLatin1Char('.'));
}

FolderItem Scanner::makeRecord(QString path, qint64 size, Texts texts, RecordTraits traits) {
    return FolderItem({.name = std::move(texts.name),
                       .path = std::move(path),
                       .size = size,
                       .category = traits.category,
                       .safetyTier = traits.safetyTier,
                       .subtitle = std::move(texts.subtitle),
                       .isSelected = traits.policy.isSelected,
                       .recreateFolderAfterDelete = traits.policy.recreateFolderAfterDelete,
                       .cliCommand = std::nullopt,
                       .requiresSudo = traits.policy.requiresSudo});
}

QCoro::Task<std::optional<qint64>> Scanner::offeredSize(QString path, RecordTraits traits) {
    if (m_stop.stopRequested()) {
        co_return std::nullopt;
    }
    // One trip to the worker: the walk starts as soon as the location passes.
    QFuture<std::optional<qint64>> measuring = QtConcurrent::run(
        &sizingPool(),
        [fileSystem = m_fileSystem, path = std::move(path), stop = m_stop, traits,
         measure = PlatformCatalogue::sizeMeasure()]() -> std::optional<qint64> {
            lowerCurrentThreadPriority();
            if (!isOfferableLocation(*fileSystem, path, traits.policy.requiresSudo)) {
                return std::nullopt;
            }
            return fileSystem->allocatedSizeOfTree(path, stop, measure);
        });
    co_return co_await measuring;
}

QCoro::Task<> Scanner::addIfLarger(QList<FolderItem>& found, QString path, qint64 threshold,
                                   Texts texts, RecordTraits traits) {
    const std::optional<qint64> size = co_await offeredSize(path, traits);
    if (size && *size > threshold) {
        found.append(makeRecord(std::move(path), *size, std::move(texts), traits));
    }
}

QCoro::Task<> Scanner::fixedPathRule(QList<FolderItem>& found, QString path, qint64 threshold,
                                     Texts texts, RecordTraits traits) {
    if (!m_fileSystem->fileExists(path)) {
        co_return;
    }
    co_await addIfLarger(found, std::move(path), threshold, std::move(texts), traits);
}

QCoro::Task<> Scanner::fixedPathRules(QList<FolderItem>& found, QString base,
                                      std::span<const FixedLocation> rules, RecordTraits traits) {
    for (const FixedLocation& rule : rules) {
        co_await fixedPathRule(found, base + rule.location.toString(), 0, textsOf(rule), traits);
    }
}

QCoro::Task<> Scanner::fixedPathRules(QList<FolderItem>& found,
                                      QList<PlatformCatalogue::Location> locations,
                                      RecordTraits traits) {
    for (PlatformCatalogue::Location& location : locations) {
        traits.policy = location.policy;
        Texts texts{std::move(location.name), std::move(location.subtitle)};
        co_await fixedPathRule(found, std::move(location.path), 0, std::move(texts), traits);
    }
}

QCoro::Task<> Scanner::listingRule(QList<FolderItem>& found, QString folder, qint64 threshold,
                                   EntryMatch match, RecordTraits traits) {
    const auto entries = m_fileSystem->contentsOfDirectory(folder);
    if (!entries) {
        co_return;
    }
    for (const QString& entry : *entries) {
        if (auto texts = match(entry)) {
            co_await addIfLarger(found, FileSystem::appendingPathComponent(folder, entry),
                                 threshold, std::move(*texts), traits);
        }
    }
}
