#include "scanner/ListingRules.h"

#include "model/NumericComparison.h"
#include "platform/FileSystem.h"
#include "scanner/FixedLocationRules.h"
#include "scanner/ScanRun.h"

#include <algorithm>
#include <utility>

namespace {

// Side-by-side installs are named by their version, digits and dots ("26.1.10909125"); anything
// else in the folder (a project, a note, a folder a link put there) is no superseded version.
bool isVersionName(const QString& entryName) {
    const QList<QStringView> numbers = QStringView(entryName).split(QLatin1Char('.'));
    return std::all_of(numbers.begin(), numbers.end(), [](QStringView number) {
        return !number.isEmpty() && std::all_of(number.begin(), number.end(),
                                                [](QChar c) { return c >= u'0' && c <= u'9'; });
    });
}

// Oldest first. Versions compare by the numbers they spell, so 10.0.0 is newer than 9.9.0; names
// that spell the same numbers ("21.0" and "021.0") fall back to plain character order so that the
// latest is the same whatever order the folder lists them in.
void sortOldestFirst(QStringList& versions) {
    std::sort(versions.begin(), versions.end(), [](const QString& a, const QString& b) {
        const std::strong_ordering order = compareNumerically(a, b);
        return order != 0 ? order < 0 : a < b;
    });
}

} // namespace

bool isHidden(const QString& entryName) {
    return entryName.startsWith(QLatin1Char('.'));
}

QCoro::Task<> listingRule(const ScanRun& run, QList<FolderItem>& found, QString folder,
                          qint64 threshold, EntryMatch match, RecordTraits traits) {
    const auto entries = run.fileSystem()->contentsOfDirectory(folder);
    if (!entries) {
        co_return;
    }
    for (const QString& entry : *entries) {
        if (auto texts = match(entry)) {
            co_await addIfLarger(run, found, FileSystem::appendingPathComponent(folder, entry),
                                 threshold, std::move(*texts), traits);
        }
    }
}

QCoro::Task<> olderVersions(const ScanRun& run, QList<FolderItem>& found, QString folder,
                            RecordTexts patterns, RecordTraits traits) {
    const auto entries = run.fileSystem()->contentsOfDirectory(folder);
    if (!entries) {
        co_return;
    }
    QStringList versions = *entries;
    versions.removeIf([](const QString& entryName) { return !isVersionName(entryName); });
    // The latest version is the one in use: it is never measured or offered, and a single
    // installed version is therefore never offered at all.
    if (versions.size() < 2) {
        co_return;
    }
    sortOldestFirst(versions);
    const QString latest = versions.takeLast();
    const QString subtitle = patterns.subtitle.arg(latest);
    for (const QString& version : std::as_const(versions)) {
        // No threshold of its own: an empty version is dropped with every other empty record.
        QCoro::Task<> older =
            addIfLarger(run, found, FileSystem::appendingPathComponent(folder, version), -1,
                        {patterns.name.arg(version), subtitle}, traits);
        co_await older;
    }
}
