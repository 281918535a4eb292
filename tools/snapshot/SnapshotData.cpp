#include "SnapshotData.h"

#include "support/FakeDisk.h"

#include <algorithm>

namespace {

constexpr qint64 MB = 1'000'000;
constexpr qint64 GB = 1'000'000'000;

// A folder of `files` files that together reserve about `bytes`.
void fill(const FakeDisk& disk, const QString& folder, qint64 bytes, int files = 3) {
    for (int index = 0; index < files; ++index) {
        disk.allocateFile(folder + QStringLiteral("/blob-%1.bin").arg(index), bytes / files);
    }
}

FolderItem item(const QString& name, const QString& path, qint64 size, CleanupCategory category,
                SafetyTier tier, const QString& subtitle, bool selected, bool sudo = false) {
    return FolderItem(name, path, size, category, tier, subtitle, selected, true, std::nullopt,
                      sudo);
}

} // namespace

void SnapshotData::populate(const FakeDisk& disk) {
    const QString home = disk.home();
    const QString support = home + QStringLiteral("/Library/Application Support");
    const QString caches = home + QStringLiteral("/Library/Caches");

    fill(disk, support + QStringLiteral("/Code/CachedExtensionVSIXs"), 184 * MB);
    fill(disk, support + QStringLiteral("/Google/GoogleUpdater/crx_cache"), 23 * MB);
    fill(disk, caches + QStringLiteral("/pip"), 246 * MB, 6);
    fill(disk, caches + QStringLiteral("/com.microsoft.VSCode.ShipIt"), 112 * MB);
    fill(disk, caches + QStringLiteral("/com.example.Notes.updater"), 61 * MB);
    fill(disk, caches + QStringLiteral("/com.example.Browser"), 90 * MB); // not an updater

    fill(disk, home + QStringLiteral("/.npm/_cacache"), 318 * MB, 8);
    fill(disk, home + QStringLiteral("/.npm/_npx"), 41 * MB);
    fill(disk, home + QStringLiteral("/.gradle/caches"), 427 * MB, 8);
    fill(disk, home + QStringLiteral("/.gradle/wrapper/dists"), 132 * MB);
    fill(disk, home + QStringLiteral("/Library/Developer/Xcode/DerivedData"), 389 * MB, 8);
    fill(disk, home + QStringLiteral("/Library/Developer/Xcode/UserData/IB Support"), 12 * MB);
    const QString ndk = home + QStringLiteral("/Library/Android/sdk/ndk");
    fill(disk, ndk + QStringLiteral("/25.2.9519653"), 152 * MB);
    fill(disk, ndk + QStringLiteral("/26.1.10909125"), 163 * MB);
    fill(disk, ndk + QStringLiteral("/27.0.12077973"), 170 * MB);

    fill(disk, QStringLiteral("/Library/Developer/CoreSimulator/Caches/dyld"), 88 * MB);
    fill(disk, QStringLiteral("/Library/Developer/CoreSimulator/Volumes/iOS_21A328"), 204 * MB);

    fill(disk, QStringLiteral("/Library/Application Support/Avid/Audio/Plug-Ins"), 64 * MB);
    fill(disk, QStringLiteral("/Library/Audio/Plug-Ins/VST"), 37 * MB);

    fill(disk,
         home + QStringLiteral("/Library/Containers/com.example.reader/Data/Library/"
                               "Application Support/Downloads"),
         131 * MB);
}

void SnapshotData::populateLinux(const FakeDisk& disk) {
    const QString home = disk.home();
    const QString cache = home + QStringLiteral("/.cache");
    fill(disk, home + QStringLiteral("/.config/Code/CachedExtensionVSIXs"), 184 * MB);
    fill(disk, cache + QStringLiteral("/pip"), 246 * MB, 6);
    fill(disk, cache + QStringLiteral("/com.example.notes-updater"), 61 * MB);
    fill(disk, cache + QStringLiteral("/mesa_shader_cache"), 90 * MB); // not an updater
    fill(disk, home + QStringLiteral("/.npm/_cacache"), 318 * MB, 8);
    fill(disk, home + QStringLiteral("/.npm/_npx"), 41 * MB);
    fill(disk, cache + QStringLiteral("/yarn/v6"), 212 * MB, 8);
    fill(disk, cache + QStringLiteral("/go-build"), 477 * MB, 8);
    fill(disk, home + QStringLiteral("/go/pkg/mod/github.com/example"), 356 * MB, 8);
    fill(disk, home + QStringLiteral("/.cargo/registry/cache/index.crates.io-6f17d22bba15001f"),
         148 * MB);
    fill(disk, home + QStringLiteral("/.cargo/registry/src/index.crates.io-6f17d22bba15001f"),
         402 * MB, 8);
    fill(disk, home + QStringLiteral("/.gradle/caches"), 427 * MB, 8);
    fill(disk, cache + QStringLiteral("/JetBrains/IntelliJIdea2024.1"), 287 * MB);
    fill(disk, cache + QStringLiteral("/ms-playwright/chromium-1255"), 521 * MB);
    const QString ndk = home + QStringLiteral("/Android/Sdk/ndk");
    fill(disk, ndk + QStringLiteral("/25.2.9519653"), 152 * MB);
    fill(disk, ndk + QStringLiteral("/26.1.10909125"), 170 * MB);
}

QList<FolderItem> SnapshotData::builtInItems(const QString& home) {
    using C = CleanupCategory;
    using T = SafetyTier;
    const QString updater =
        QStringLiteral("Auto-updater staging cache for downloaded app updates.");
    QList<FolderItem> items{
        item(QStringLiteral("VS Code Extension Packages"),
             home + QStringLiteral("/Library/Application Support/Code/CachedExtensionVSIXs"),
             1'840 * MB, C::safeCaches, T::safe,
             QStringLiteral("Cached installer packages of already-installed VS Code extensions."),
             true),
        item(QStringLiteral("Python Pip Wheel Cache"), home + QStringLiteral("/Library/Caches/pip"),
             2'460 * MB, C::safeCaches, T::safe,
             QStringLiteral("Cached Python binary wheel archives and source tarballs."), true),
        item(QStringLiteral("com.microsoft.VSCode.ShipIt"),
             home + QStringLiteral("/Library/Caches/com.microsoft.VSCode.ShipIt"), 412 * MB,
             C::safeCaches, T::safe, updater, true),
        item(QStringLiteral("npm Package Cache"), home + QStringLiteral("/.npm/_cacache"),
             6'318 * MB, C::developerTools, T::developer,
             QStringLiteral("Local copy of downloaded npm tarballs. npm re-fetches automatically "
                            "on demand."),
             true),
        item(QStringLiteral("Gradle Build & Dependency Caches"),
             home + QStringLiteral("/.gradle/caches"), 9'427 * MB, C::developerTools, T::developer,
             QStringLiteral("Cached jars and build artifacts from Android/Java Gradle builds."),
             true),
        item(QStringLiteral("Xcode DerivedData"),
             home + QStringLiteral("/Library/Developer/Xcode/DerivedData"), 14'389 * MB,
             C::developerTools, T::developer,
             QStringLiteral("Intermediate build files, indexes, and symbol caches for Xcode "
                            "projects."),
             true),
        item(QStringLiteral("Android NDK 26.1.10909125 (Older Version)"),
             home + QStringLiteral("/Library/Android/sdk/ndk/26.1.10909125"), 3'163 * MB,
             C::developerTools, T::developer,
             QStringLiteral("Superseded Android NDK version. The latest NDK (27.0.12077973) "
                            "remains untouched."),
             true),
        item(QStringLiteral("Simulator dyld Shared Cache"),
             QStringLiteral("/Library/Developer/CoreSimulator/Caches/dyld"), 2'880 * MB,
             C::simulators, T::developer,
             QStringLiteral("Dynamic linker cache generated for simulator runtimes."), false),
        item(QStringLiteral("iOS Simulator Runtime (iOS_21A328)"),
             QStringLiteral("/Library/Developer/CoreSimulator/Volumes/iOS_21A328"), 7'204 * MB,
             C::simulators, T::developer,
             QStringLiteral("Mounted simulator operating system image (manageable via Xcode "
                            "Components)."),
             false),
        item(QStringLiteral("Dormant AAX Plugins (No Pro Tools)"),
             QStringLiteral("/Library/Application Support/Avid/Audio/Plug-Ins"), 1'064 * MB,
             C::dormantPlugins, T::caution,
             QStringLiteral("AAX plug-ins are only used by Pro Tools. Logic Pro exclusively uses "
                            "Audio Units (.component)."),
             false, true),
        item(QStringLiteral("Legacy VST2 Plugins"), QStringLiteral("/Library/Audio/Plug-Ins/VST"),
             637 * MB, C::dormantPlugins, T::caution,
             QStringLiteral("Legacy VST2 format. Logic Pro and native Apple Silicon DAWs use AU "
                            "(.component) or VST3."),
             false, true),
        item(QStringLiteral("com.example.reader: Downloads"),
             home + QStringLiteral("/Library/Containers/com.example.reader/Data/Library/"
                                   "Application Support/Downloads"),
             1'131 * MB, C::containerResidue, T::safe,
             QStringLiteral("Extracted archive residue stored inside app sandbox container."),
             true),
    };
    std::stable_sort(items.begin(), items.end(),
                     [](const FolderItem& a, const FolderItem& b) { return a.size > b.size; });
    return items;
}

DiskSpaceInfo SnapshotData::disk() {
    return {494'384'795'648, 131 * GB};
}
