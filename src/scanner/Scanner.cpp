#include "scanner/Scanner.h"

#include "platform/FileSystem.h"
#include "platform/ThreadPriority.h"

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
    std::stable_sort(found.begin(), found.end(),
                     [](const FolderItem& a, const FolderItem& b) { return a.size > b.size; });
    co_return found;
}

QCoro::Task<QList<FolderItem>> Scanner::withoutNested(QList<FolderItem> found) {
    QStringList paths;
    for (const FolderItem& item : std::as_const(found)) {
        paths.append(item.path);
    }
    // Resolving links reads the disk: off the GUI thread too.
    QFuture<QList<bool>> judging =
        QtConcurrent::run(&sizingPool(), [fileSystem = m_fileSystem, paths = std::move(paths)] {
            QList<QList<FileSystem::Identity>> chains;
            for (const QString& path : paths) {
                chains.append(fileSystem->identityChain(path));
            }
            // By identity where both folders are there, else by how they are written.
            const auto within = [&](qsizetype inner, qsizetype outer) {
                if (!chains[inner].isEmpty() && !chains[outer].isEmpty()) {
                    return chains[inner].contains(chains[outer].first());
                }
                return paths[inner] == paths[outer] ||
                       paths[inner].startsWith(paths[outer] + QLatin1Char('/'));
            };
            QList<bool> nested(paths.size(), false);
            for (qsizetype i = 0; i < paths.size(); ++i) {
                for (qsizetype j = 0; j < paths.size() && !nested[i]; ++j) {
                    nested[i] = j != i && within(i, j) && (j < i || !within(j, i));
                }
            }
            return nested;
        });
    const QList<bool> nested = co_await judging;
    QList<FolderItem> kept;
    for (qsizetype i = 0; i < found.size(); ++i) {
        if (!nested[i]) {
            kept.append(std::move(found[i]));
        }
    }
    co_return kept;
}

QCoro::Task<qint64> Scanner::folderSize(QString path, HiddenEntries hidden) {
    if (m_stop.stopRequested()) {
        // The scan is being abandoned; its remaining rules finish without walking anything.
        co_return 0;
    }
    // Only the path (and the stop request) goes to the worker and only the number comes back.
    QFuture<qint64> measuring = QtConcurrent::run(
        &sizingPool(), [fileSystem = m_fileSystem, path = std::move(path), stop = m_stop, hidden] {
            lowerCurrentThreadPriority();
            return fileSystem->allocatedSizeOfTree(path, stop, hidden);
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
                       .isSelected = traits.isSelected,
                       .recreateFolderAfterDelete = traits.recreateFolderAfterDelete,
                       .cliCommand = std::nullopt,
                       .requiresSudo = traits.requiresSudo});
}

QCoro::Task<> Scanner::addIfLarger(QList<FolderItem>& found, QString path, qint64 threshold,
                                   Texts texts, RecordTraits traits) {
    const qint64 size = co_await folderSize(path, traits.hiddenEntries);
    if (size > threshold) {
        found.append(makeRecord(std::move(path), size, std::move(texts), traits));
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
        traits.isSelected = location.isSelected;
        traits.recreateFolderAfterDelete = location.recreateFolderAfterDelete;
        traits.requiresSudo = location.requiresSudo;
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
