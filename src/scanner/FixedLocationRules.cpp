#include "scanner/FixedLocationRules.h"

#include "platform/BackgroundThreads.h"
#include "platform/FileSystem.h"
#include "scanner/OfferableLocation.h"
#include "scanner/ScanRun.h"

#include <QCoroFuture>
#include <QtConcurrent>

#include <utility>

RecordTexts textsOf(const FixedLocation& rule) {
    return {rule.name.toString(), rule.subtitle.toString()};
}

QCoro::Task<std::optional<qint64>> offeredSize(const ScanRun& run, QString path,
                                               RecordTraits traits) {
    if (run.stop().stopRequested()) {
        co_return std::nullopt;
    }
    // One trip to the worker: the walk starts as soon as the location passes.
    QFuture<std::optional<qint64>> measuring = QtConcurrent::run(
        &ScanRun::sizingPool(),
        [fileSystem = run.fileSystem(), path = std::move(path), stop = run.stop(), traits,
         measure = PlatformCatalogue::sizeMeasure()]() -> std::optional<qint64> {
            lowerCurrentThreadPriority();
            if (!isOfferableLocation(*fileSystem, path, traits.policy.requiresSudo)) {
                return std::nullopt;
            }
            return fileSystem->allocatedSizeOfTree(path, stop, measure);
        });
    co_return co_await measuring;
}

QCoro::Task<> addIfLarger(const ScanRun& run, QList<FolderItem>& found, QString path,
                          qint64 threshold, RecordTexts texts, RecordTraits traits) {
    const std::optional<qint64> size = co_await offeredSize(run, path, traits);
    if (size && *size > threshold) {
        found.append(traits.record(std::move(path), *size, std::move(texts)));
    }
}

QCoro::Task<> fixedPathRule(const ScanRun& run, QList<FolderItem>& found, QString path,
                            qint64 threshold, RecordTexts texts, RecordTraits traits) {
    if (!run.fileSystem()->fileExists(path)) {
        co_return;
    }
    co_await addIfLarger(run, found, std::move(path), threshold, std::move(texts), traits);
}

QCoro::Task<> fixedPathRules(const ScanRun& run, QList<FolderItem>& found, QString base,
                             std::span<const FixedLocation> rules, RecordTraits traits) {
    for (const FixedLocation& rule : rules) {
        co_await fixedPathRule(run, found, base + rule.location.toString(), 0, textsOf(rule),
                               traits);
    }
}

QCoro::Task<> fixedPathRules(const ScanRun& run, QList<FolderItem>& found,
                             QList<PlatformCatalogue::Location> locations, RecordTraits traits) {
    for (PlatformCatalogue::Location& location : locations) {
        traits.policy = location.policy;
        RecordTexts texts{std::move(location.name), std::move(location.subtitle)};
        co_await fixedPathRule(run, found, std::move(location.path), 0, std::move(texts), traits);
    }
}
