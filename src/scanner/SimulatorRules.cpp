#include "scanner/CategoryRules.h"
#include "scanner/FixedLocationRules.h"
#include "scanner/ListingRules.h"
#include "scanner/ScanRun.h"

namespace {

// The developer tools regenerate the cache; runtime images are better removed through the IDE, so
// nothing is selected from the start.
constexpr RecordTraits dyldCacheTraits{
    .category = CleanupCategory::simulators,
    .safetyTier = SafetyTier::developer,
    .policy = {.isSelected = false, .recreateFolderAfterDelete = true, .requiresSudo = false},
};
constexpr RecordTraits runtimeTraits{
    .category = CleanupCategory::simulators,
    .safetyTier = SafetyTier::developer,
    .policy = {.isSelected = false, .recreateFolderAfterDelete = false, .requiresSudo = false},
};

constexpr FixedLocation dyldCache{
    .location = u"/Library/Developer/CoreSimulator/Caches/dyld",
    .name = u"Simulator dyld Shared Cache",
    .subtitle = u"Dynamic linker cache generated for simulator runtimes.",
};

constexpr QStringView runtimeVolumes = u"/Library/Developer/CoreSimulator/Volumes";
constexpr QStringView runtimeName = u"iOS Simulator Runtime (%1)";
constexpr QStringView runtimeSubtitle =
    u"Mounted simulator operating system image (manageable via Xcode Components).";

} // namespace

QCoro::Task<QList<FolderItem>> scanSimulators(const ScanRun& run) {
    QList<FolderItem> found;
    co_await fixedPathRule(run, found, dyldCache.location.toString(), 0, textsOf(dyldCache),
                           dyldCacheTraits);

    const EntryMatch runtime = [](const QString& entryName) -> std::optional<RecordTexts> {
        if (isHidden(entryName)) {
            return std::nullopt;
        }
        return RecordTexts{runtimeName.toString().arg(entryName), runtimeSubtitle.toString()};
    };
    QCoro::Task<> runtimes =
        listingRule(run, found, runtimeVolumes.toString(), 0, runtime, runtimeTraits);
    co_await runtimes;
    co_return found;
}
