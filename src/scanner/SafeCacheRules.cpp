#include "platform/FileSystem.h"
#include "scanner/CategoryRules.h"
#include "scanner/FixedLocationRules.h"
#include "scanner/ListingRules.h"
#include "scanner/ScanRun.h"

#include <algorithm>
#include <iterator>

namespace {

// Everything here is rebuilt or downloaded again by its owner on demand.
constexpr RecordTraits safeCacheTraits{
    .category = CleanupCategory::safeCaches,
    .safetyTier = SafetyTier::safe,
    .policy = {.isSelected = true, .recreateFolderAfterDelete = true, .requiresSudo = false},
};

constexpr FixedLocation knownCaches[] = {
    {.location = u"/Library/Application Support/Code/CachedExtensionVSIXs",
     .name = u"VS Code Extension Packages",
     .subtitle = u"Cached installer packages of already-installed VS Code extensions."},
    {.location = u"/Library/Application Support/Google/GoogleUpdater/crx_cache",
     .name = u"Google CRX Download Cache",
     .subtitle = u"Downloaded Chrome extension update packages staged by GoogleUpdater."},
    {.location = u"/Library/Caches/pip",
     .name = u"Python Pip Wheel Cache",
     .subtitle = u"Cached Python binary wheel archives and source tarballs."},
};

constexpr QStringView userCaches = u"/Library/Caches";
// Small staging folders are not worth a line of their own.
constexpr qint64 updaterStagingThreshold = 50LL * 1024 * 1024;
constexpr QStringView updaterStagingSubtitle =
    u"Auto-updater staging cache for downloaded app updates.";

// Auto-updaters name their staging folders after themselves, in any letter case. Full Unicode
// lower-casing (no locale) turns a dotted capital I into "i" plus a combining dot, so such a name
// does not spell one of these marks.
constexpr QStringView updaterMarks[] = {u"shipit", u"-updater", u".update", u"updater"};

bool isUpdaterStaging(const QString& entryName) {
    const QString lowered = entryName.toLower();
    return std::any_of(std::begin(updaterMarks), std::end(updaterMarks),
                       [&lowered](QStringView mark) { return lowered.contains(mark); });
}

} // namespace

QCoro::Task<QList<FolderItem>> scanSafeCaches(const ScanRun& run, QString home) {
    if (home.isEmpty()) {
        co_return {};
    }
    const PlatformCatalogue platform = PlatformCatalogue::of(*run.fileSystem(), home);
    QList<FolderItem> found;
    co_await fixedPathRules(run, found, home, knownCaches, safeCacheTraits);

    const EntryMatch updaterStaging = [](const QString& entryName) -> std::optional<RecordTexts> {
        if (!isUpdaterStaging(entryName)) {
            return std::nullopt;
        }
        return RecordTexts{entryName, updaterStagingSubtitle.toString()};
    };
    QCoro::Task<> staging = listingRule(run, found, home + userCaches.toString(),
                                        updaterStagingThreshold, updaterStaging, safeCacheTraits);
    co_await staging;
    co_await fixedPathRules(run, found, platform.safeCaches, safeCacheTraits);
    for (const QString& folder : platform.updaterStagingFolders) {
        QCoro::Task<> platformStaging = listingRule(run, found, folder, updaterStagingThreshold,
                                                    updaterStaging, safeCacheTraits);
        co_await platformStaging;
    }
    co_return found;
}
