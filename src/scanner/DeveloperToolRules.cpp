#include "platform/FileSystem.h"
#include "scanner/CategoryRules.h"
#include "scanner/FixedLocationRules.h"
#include "scanner/ListingRules.h"
#include "scanner/ScanRun.h"

namespace {

// Tools fetch or rebuild all of this when they need it again.
constexpr RecordTraits buildCacheTraits{
    .category = CleanupCategory::developerTools,
    .safetyTier = SafetyTier::developer,
    .policy = {.isSelected = true, .recreateFolderAfterDelete = true, .requiresSudo = false},
};
// A removed NDK version is gone until the user installs it again, so its folder is not recreated.
constexpr RecordTraits ndkTraits{
    .category = CleanupCategory::developerTools,
    .safetyTier = SafetyTier::developer,
    .policy = {.isSelected = true, .recreateFolderAfterDelete = false, .requiresSudo = false},
};

constexpr FixedLocation buildCaches[] = {
    {.location = u"/.npm/_cacache",
     .name = u"npm Package Cache",
     .subtitle = u"Local copy of downloaded npm tarballs. npm re-fetches automatically on demand."},
    {.location = u"/.npm/_npx",
     .name = u"npx Temporary Packages",
     .subtitle = u"One-off CLI packages downloaded during npx runs."},
    {.location = u"/.gradle/caches",
     .name = u"Gradle Build & Dependency Caches",
     .subtitle = u"Cached jars and build artifacts from Android/Java Gradle builds."},
    {.location = u"/.gradle/wrapper/dists",
     .name = u"Gradle Wrapper Distributions",
     .subtitle = u"Downloaded Gradle version zip archives from past projects."},
    {.location = u"/Library/Developer/Xcode/DerivedData",
     .name = u"Xcode DerivedData",
     .subtitle = u"Intermediate build files, indexes, and symbol caches for Xcode projects."},
    {.location = u"/Library/Developer/Xcode/UserData/IB Support",
     .name = u"Xcode Interface Builder Cache",
     .subtitle = u"Cached simulator configurations used by Xcode Interface Builder."},
};

constexpr QStringView ndkVersions = u"/Library/Android/sdk/ndk";
// The version in the name, the latest one in the subtitle.
constexpr QStringView ndkName = u"Android NDK %1 (Older Version)";
constexpr QStringView ndkSubtitle =
    u"Superseded Android NDK version. The latest NDK (%1) remains untouched.";

} // namespace

QCoro::Task<QList<FolderItem>> scanDeveloperTools(const ScanRun& run, QString home) {
    if (home.isEmpty()) {
        co_return {};
    }
    const PlatformCatalogue platform = PlatformCatalogue::of(*run.fileSystem(), home);
    QList<FolderItem> found;
    co_await fixedPathRules(run, found, home, buildCaches, buildCacheTraits);
    co_await fixedPathRules(run, found, platform.developerTools, buildCacheTraits);
    const RecordTexts ndkTexts{ndkName.toString(), ndkSubtitle.toString()};
    co_await olderVersions(run, found, home + ndkVersions.toString(), ndkTexts, ndkTraits);
    for (const QString& folder : platform.ndkFolders) {
        co_await olderVersions(run, found, folder, ndkTexts, ndkTraits);
    }
    co_return found;
}
