#include "scanner/Scanner.h"

#include "model/NumericComparison.h"
#include "platform/FileSystem.h"

#include <algorithm>

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
constexpr QStringView ndkName = u"Android NDK %1 (Older Version)";
constexpr QStringView ndkSubtitle =
    u"Superseded Android NDK version. The latest NDK (%1) remains untouched.";

// Side-by-side NDKs are named by their version, digits and dots ("26.1.10909125"); anything
// else in the folder (a project, a note, a folder a link put there) is no superseded NDK.
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

QCoro::Task<QList<FolderItem>> Scanner::scanDeveloperTools(QString home) {
    if (home.isEmpty()) {
        co_return {};
    }
    const PlatformCatalogue platform = PlatformCatalogue::of(*m_fileSystem, home);
    QList<FolderItem> found;
    co_await fixedPathRules(found, home, buildCaches, buildCacheTraits);
    co_await fixedPathRules(found, platform.developerTools, buildCacheTraits);
    co_await olderNdkVersions(found, home + ndkVersions.toString(), ndkTraits);
    for (const QString& folder : platform.ndkFolders) {
        co_await olderNdkVersions(found, folder, ndkTraits);
    }
    co_return found;
}

QCoro::Task<> Scanner::olderNdkVersions(QList<FolderItem>& found, QString folder,
                                        RecordTraits traits) {
    const auto entries = m_fileSystem->contentsOfDirectory(folder);
    if (!entries) {
        co_return;
    }
    QStringList versions = *entries;
    versions.removeIf([](const QString& entryName) { return !isVersionName(entryName); });
    // The latest version is the one in use: it is never measured or offered, and a single
    // installed NDK is therefore never offered at all.
    if (versions.size() < 2) {
        co_return;
    }
    sortOldestFirst(versions);
    const QString latest = versions.takeLast();
    const QString subtitle = ndkSubtitle.toString().arg(latest);
    for (const QString& version : std::as_const(versions)) {
        // No threshold of its own: an empty version is dropped with every other empty record.
        QCoro::Task<> older =
            addIfLarger(found, FileSystem::appendingPathComponent(folder, version), -1,
                        {ndkName.toString().arg(version), subtitle}, traits);
        co_await older;
    }
}
