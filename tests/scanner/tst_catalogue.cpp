#include "platform/FileSystem.h"
#include "scanner/CategoryRules.h"
#include "scanner/PlatformCatalogue.h"
#include "scanner/ProjectSearch.h"
#include "scanner/ScanRun.h"
#include "scanner/Scanner.h"
#include "support/FakeDisk.h"
#include "support/Fixtures.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

using enum CleanupCategory;
using enum SafetyTier;

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 folder = -1;
constexpr qint64 variable = -2;
constexpr qint64 linked = -3;
constexpr qint64 otherUser = -4;
constexpr qint64 tagged = -5;

// One thing on a fake disk: a file of `bytes` (allocated, never written) last changed `days` ago,
// for `folder` an empty folder, for `variable` an environment variable of the fake system written
// NAME=value (its bytes percent-encoded where they are not text, "%FF"), for `linked` a symbolic
// link written path=target, for `otherUser` what is at the path so far given to user 65534 (root
// only; the row is skipped otherwise), for `tagged` a cache directory tag. A path or value
// beginning with "~" lies in the home folder.
struct Item {
    QString path;
    qint64 bytes;
    int days = 0;
};
using Layout = QList<Item>;

// One expected record: where it is and its policy; its size is what the walk measures there (the
// walk has its own tests). Names and subtitles are the catalogue's prose and not compared.
struct Want {
    RecordTraits traits;
    QString path;
    bool followsListing = false; // found in the order its folder lists its entries
    int days = 0;                // a project's: how long its own files are unchanged
};
using Wants = QList<Want>;

// Each policy a rule may set: selected at first or not, the folder made again or gone, and left to
// the administrator command.
constexpr TargetPolicy selectedRecreated{.isSelected = true, .recreateFolderAfterDelete = true};
constexpr TargetPolicy selectedGone{.isSelected = true};
constexpr TargetPolicy unselectedRecreated{.recreateFolderAfterDelete = true};
constexpr TargetPolicy unselectedGone{};
constexpr TargetPolicy administrators{.recreateFolderAfterDelete = true, .requiresSudo = true};

constexpr RecordTraits cache{safeCaches, safe, selectedRecreated};
constexpr RecordTraits build{developerTools, developer, selectedRecreated};
constexpr RecordTraits oldNdk{developerTools, developer, selectedGone};
constexpr RecordTraits dyldCache{simulators, developer, unselectedRecreated};
constexpr RecordTraits runtimeImage{simulators, developer, unselectedGone};
constexpr RecordTraits plugins{dormantPlugins, caution, administrators};
constexpr RecordTraits residueFolder{containerResidue, caution, unselectedGone};

const QString support = "~/Library/Application Support";
const QString caches = "~/Library/Caches";
const QString ndks = "~/Library/Android/sdk/ndk";
const QString volumes = "/Library/Developer/CoreSimulator/Volumes";
const QString containers = "~/Library/Containers";

const Want vsix{cache, support + "/Code/CachedExtensionVSIXs"};
const Want crx{cache, support + "/Google/GoogleUpdater/crx_cache"};
const Want pip{cache, caches + "/pip"};
const Want npm{build, "~/.npm/_cacache"};
const Want npx{build, "~/.npm/_npx"};
const Want gradle{build, "~/.gradle/caches"};
const Want wrapper{build, "~/.gradle/wrapper/dists"};
const Want derived{build, "~/Library/Developer/Xcode/DerivedData"};
const Want ib{build, "~/Library/Developer/Xcode/UserData/IB Support"};
const Want dyld{dyldCache, "/Library/Developer/CoreSimulator/Caches/dyld"};
const Want aax{plugins, "/Library/Application Support/Avid/Audio/Plug-Ins"};
const Want vst{plugins, "/Library/Audio/Plug-Ins/VST"};

Want staging(const QString& name, const QString& in = caches) {
    return {cache, in + "/" + name, true};
}
Want olderNdk(const QString& version, const QString& in = ndks) {
    return {oldNdk, in + "/" + version};
}
Want runtime(const QString& volume) {
    return {runtimeImage, volumes + "/" + volume, true};
}
Want residue(const QString& container, const QString& entry) {
    return {residueFolder,
            containers + "/" + container + "/Data/Library/Application Support/" + entry, true};
}

// A project's build folders: the folder's name after the project's, and its age.
constexpr RecordTraits dormantBuild{projectBuildFolders, developer, selectedGone};
constexpr RecordTraits activeBuild{projectBuildFolders, developer, unselectedGone};
constexpr RecordTraits reviewBuild{projectBuildFolders, caution, unselectedGone};
constexpr int dormant = 94;

Want built(const QString& path, int days = dormant) {
    return {days >= 30 ? dormantBuild : activeBuild, path, false, days};
}
Want review(const QString& path, int days = dormant) {
    return {reviewBuild, path, false, days};
}
// The search reports what it finds in path order.
Wants inPathOrder(Wants wants) {
    std::sort(wants.begin(), wants.end(),
              [](const Want& a, const Want& b) { return a.path < b.path; });
    return wants;
}
// A project at `folder`: its own `files` of a byte each, `days` old, and what it `built`: a file
// in each folder named, or the file named by a path (written now: the age of what a project built
// never counts).
Layout project(const QString& at, const QStringList& files, const QStringList& built = {},
               int days = dormant) {
    Layout layout;
    for (const QString& file : files) {
        layout.append({at + "/" + file, 1, days});
    }
    for (const QString& entry : built) {
        layout.append({at + "/" + entry + (entry.contains('/') ? "" : "/payload"), MiB});
    }
    return layout;
}

// A file of `bytes` inside the wanted folder.
Item filled(const Want& want, qint64 bytes) {
    return {want.path + "/payload", bytes};
}
Layout ndkFolder(const QStringList& versions, const QString& in = ndks) {
    Layout layout;
    for (const QString& version : versions) {
        layout.append(filled(olderNdk(version, in), MiB));
    }
    return layout;
}

// Where every entry counts (Linux), what hidden entries alone fill is offered.
Wants whereHiddenCounts(const Wants& wants) {
    return PlatformCatalogue::sizeMeasure() == SizeMeasure::whole ? wants : Wants{};
}

#if defined(Q_OS_LINUX)
constexpr RecordTraits optInBuild{developerTools, developer, unselectedRecreated};
// Outer targets that took a more careful policy from what they hold.
constexpr RecordTraits carefulCache{safeCaches, developer, selectedRecreated};
constexpr RecordTraits carefulBuild{developerTools, developer, administrators};
const QString userCache = "~/.cache";
const QString linuxNdks = "~/Android/Sdk/ndk";

Want movedTo(Want want, const QString& path) {
    want.path = path;
    return want;
}
Want tool(const QString& path) {
    return {build, path};
}
Want optIn(const QString& path) {
    return {optInBuild, path};
}
const Want linuxVsix{cache, "~/.config/Code/CachedExtensionVSIXs"};
const Want linuxPip{cache, userCache + "/pip"};
const Want thumbnails{cache, userCache + "/thumbnails"};
const Want apt{{safeCaches, safe, {.requiresSudo = true}}, "/var/cache/apt/archives"};
const Want yarn = tool(userCache + "/yarn");
const Want goBuild = tool(userCache + "/go-build");
const Want goModules = tool("~/go/pkg/mod");
const Want crates = tool("~/.cargo/registry/cache");
const Want crateSources = tool("~/.cargo/registry/src");
const Want jetBrains = tool(userCache + "/JetBrains");
const Want playwright = optIn(userCache + "/ms-playwright");
// The rows after Playwright, in rule order, where each tool keeps them by default.
// clang-format off
const Wants moreBuildCaches = {
    tool("~/.cache/uv"), tool("~/.cache/pypoetry/cache"), tool("~/.cache/pypoetry/artifacts"),
    tool("~/.cache/pre-commit"), tool("~/.bun/install/cache"), tool("~/.cache/composer"),
    tool("~/.nuget/packages"), tool("~/.local/share/NuGet/http-cache"), tool("~/.cache/ccache"),
    tool("~/.cache/sccache"), tool("~/.cache/node-gyp"), tool("~/.cache/electron"),
    tool("~/.cache/electron-builder"), tool("~/.cache/Homebrew"), tool("~/.pub-cache/hosted"),
    optIn("~/.cache/Cypress"), optIn("~/.cache/puppeteer"), optIn("~/.cache/deno"),
    optIn("~/.cache/huggingface/hub"), optIn("~/.cache/torch/hub")};
// clang-format on

// A hidden file in each wanted folder, nothing else.
Layout hiddenOnly(const Wants& wants) {
    Layout layout;
    for (const Want& want : wants) {
        layout.append({want.path + "/.hidden", MiB});
    }
    return layout;
}
Layout variables(const QStringList& assignments) {
    Layout layout;
    for (const QString& assignment : assignments) {
        layout.append({assignment, variable});
    }
    return layout;
}
#endif

// Each record's path, size and policy, its flags named where set; a project's build folder's name
// and age too.
QStringList described(const QList<FolderItem>& items) {
    QStringList lines;
    for (const FolderItem& item : items) {
        lines << item.path + " | " + QString::number(item.size) + " | " + rawValue(item.category) +
                     " | " + rawValue(item.safetyTier) + (item.isSelected ? " | selected" : "") +
                     (item.recreateFolderAfterDelete ? " | recreate" : "") +
                     (item.cliCommand ? " | command" : "") + (item.requiresSudo ? " | sudo" : "") +
                     (item.category == projectBuildFolders
                          ? " | " + item.name + " | " + item.subtitle.section(". ", -1)
                          : "");
    }
    return lines;
}

// A fake disk built from a layout, which knows what the scanner should find on it.
class Disk {
public:
    explicit Disk(const Layout& layout, const QString& home = "/Users/u")
        : m_disk(home) {
        for (const Item& item : layout) {
            const QString path = logical(item.path);
            if (item.bytes == variable) {
                m_environment.insert(
                    path.section('=', 0, 0),
                    QByteArray::fromPercentEncoding(logical(path.section('=', 1)).toUtf8()));
                continue;
            }
            if (item.bytes == otherUser) {
                m_ownersGiven = m_ownersGiven && ::geteuid() == 0 &&
                                QProcess::execute("/bin/chown", {"-R", "-h", "65534:65534",
                                                                 m_disk.real(path)}) == 0;
                continue;
            }
            if (item.bytes == linked) {
                m_disk.makeLink(logical(path.section('=', 0, 0)),
                                m_disk.real(logical(path.section('=', 1))));
                continue;
            }
            if (item.bytes == folder) {
                m_disk.makeFolder(path);
                continue;
            }
            const QByteArray real = QFile::encodeName(m_disk.real(path));
            if (item.bytes == tagged) {
                m_disk.allocateFile(path, 0);
                QFile tag(m_disk.real(path));
                QVERIFY(tag.open(QIODevice::WriteOnly) &&
                        tag.write("Signature: 8a477f597d28d172789f06886806bc55\n") > 0);
                continue;
            }
            const qint64 allocated = m_disk.allocateFile(path, item.bytes);
            m_exact = m_exact && (item.bytes % 4096 != 0 || allocated == item.bytes);
            // An hour more, so that whole days are never a second short.
            const timespec changed{QDateTime::currentSecsSinceEpoch() - item.days * 86400 - 3600,
                                   0};
            const timespec times[] = {changed, changed};
            QVERIFY(item.days == 0 || ::utimensat(AT_FDCWD, real.constData(), times, 0) == 0);
        }
    }

    // Whole blocks were allocated exactly, so a file of 50 MiB occupies 50 MiB.
    bool exact() const { return m_exact; }
    // Whatever the layout gives to another user is theirs.
    bool ownersGiven() const { return m_ownersGiven; }
    QString home() const { return m_disk.home(); }
    std::shared_ptr<FileSystem> fileSystem() const {
        return FileSystem::rooted(m_disk.root(), m_disk.home(), m_environment);
    }

    // The records `wants` describe, sized by the walk and, where a rule follows a folder listing,
    // in the order this disk lists that folder.
    QStringList expected(Wants wants) const {
        for (qsizetype start = 0, end = 0; start < wants.size(); start = end) {
            const QString parent = logical(wants[start].path).section('/', 0, -2);
            for (end = start + 1; wants[start].followsListing && end < wants.size() &&
                                  wants[end].followsListing &&
                                  logical(wants[end].path).startsWith(parent + '/');) {
                ++end;
            }
            const auto listing = fileSystem()->contentsOfDirectory(parent).value_or(QStringList());
            const auto place = [&](const Want& want) {
                return listing.indexOf(want.path.section('/', -1));
            };
            std::sort(wants.begin() + start, wants.begin() + end,
                      [&](const Want& a, const Want& b) { return place(a) < place(b); });
        }
        QList<FolderItem> items;
        for (const Want& want : wants) {
            const QString path = logical(want.path);
            // A project's build folder is measured whole on every system.
            const SizeMeasure measure = want.traits.category == projectBuildFolders
                                            ? SizeMeasure::whole
                                            : PlatformCatalogue::sizeMeasure();
            items.append(item({.name = path.section('/', -2),
                               .path = path,
                               .bytes = fileSystem()->allocatedSizeOfTree(path, {}, measure),
                               .category = want.traits.category,
                               .tier = want.traits.safetyTier,
                               .subtitle = QString("Project unchanged for %1 days.").arg(want.days),
                               .policy = want.traits.policy}));
        }
        return described(items);
    }

private:
    QString logical(QString path) const {
        return path.startsWith('~') ? path.replace(0, 1, m_disk.home()) : path;
    }

    FakeDisk m_disk;
    QHash<QString, QByteArray> m_environment;
    bool m_exact = true;
    bool m_ownersGiven = true;
};

using ScanFn = QCoro::Task<QList<FolderItem>> (*)(ScanRun&, QString);

// Answers yes to every question a rule can ask: every path exists, every folder lists the same
// few names and everything is large. Each rule of the catalogue, whenever it was added, then
// offers what it can.
class EverythingDisk final : public FileSystem {
public:
    EverythingDisk()
        : FileSystem({}, QStringLiteral("/Users/u")) {}
    bool fileExists(const QString&) const override { return true; }
    std::optional<QStringList> contentsOfDirectory(const QString&) const override {
        return QStringList{"21.0", "22.0", "com.example.ShipIt", "Some App"};
    }
    qint64 allocatedSizeOfTree(const QString&, const StopToken&, SizeMeasure) const override {
        return qint64(1) << 40;
    }
    std::optional<uint> ownerOf(const QString&) const override { return 1000; }
};

} // namespace

Q_DECLARE_METATYPE(Layout)
Q_DECLARE_METATYPE(Wants)

class CatalogueTest : public QObject {
    Q_OBJECT

    static void columns() {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<Wants>("wants");
    }
    static void row(const QString& name, const Layout& layout, const Wants& wants) {
        QTest::newRow(qPrintable(name)) << layout << wants;
    }

    // Runs one category scan on the row's disk and compares whole records, in order.
    static void check(ScanFn scan) {
        QFETCH(Layout, layout);
        QFETCH(Wants, wants);
        const Disk disk(layout);
        if (!disk.exact()) {
            QSKIP("this file system does not allocate whole blocks exactly");
        }
        if (!disk.ownersGiven()) {
            QSKIP("giving files to another user takes root");
        }
        ScanRun run(disk.fileSystem());
        QCOMPARE(described(QCoro::waitFor(scan(run, disk.home()))), disk.expected(wants));
    }

private slots:
    void safeCaches_data() {
        columns();
        row("fixed caches in rule order, whatever their sizes",
            {filled(pip, 3 * MiB), filled(crx, MiB), filled(vsix, 1)}, {vsix, crx, pip});
        row("empty and hidden-only caches", {{pip.path, folder}, {vsix.path + "/.DS_Store", MiB}},
            whereHiddenCounts({vsix}));
        row("staging at exactly 50 MiB", {filled(staging("com.example.ShipIt"), 50 * MiB)}, {});
        for (const char* name : {"com.example.ShipIt", "Updater", "UPDATER", "App-UpDater",
                                 "com.example.app.UPDATE", ".shipit-state"}) {
            row(QStringLiteral("staging one block over 50 MiB: ") + QLatin1String(name),
                {filled(staging(name), 50 * MiB + 1)}, {staging(name)});
        }
        // Full lower-casing spells a dotted capital I as "i" and a combining dot: not "shipit".
        row("no staging mark",
            {filled(staging("com.example.app"), 60 * MiB),
             filled(staging("com.example.SHİPIT"), 60 * MiB), filled(pip, 60 * MiB)},
            {pip});
        row("staging folders in listing order",
            {filled(staging("b.ShipIt"), 51 * MiB), filled(staging("a-updater"), 52 * MiB),
             filled(staging("c.update"), 53 * MiB)},
            {staging("b.ShipIt"), staging("a-updater"), staging("c.update")});
        row("unlistable caches folder keeps earlier records", {{caches, 0}, filled(vsix, 1)},
            {vsix});
#if defined(Q_OS_LINUX)
        // clang-format off
        row("Linux caches after the shared ones, in rule order, hidden entries counted",
            Layout{filled(staging("b-updater", userCache), 52 * MiB), filled(linuxPip, 2 * MiB),
                   filled(linuxVsix, 1), filled(staging("a.ShipIt"), 51 * MiB), filled(vsix, 1),
                   filled(staging("c.ShipIt", userCache), 50 * MiB)} +
                hiddenOnly({thumbnails, apt}),
            {vsix, staging("a.ShipIt"), linuxVsix, linuxPip, thumbnails, apt,
             staging("b-updater", userCache)});
        row("user cache moved by XDG_CACHE_HOME",
            {{"XDG_CACHE_HOME=/var/cache//u/", variable}, filled(linuxPip, 1),
             filled(movedTo(linuxPip, "/var/cache/u/pip"), MiB),
             filled(staging("Updater", "/var/cache/u"), 50 * MiB + 1)},
            {movedTo(linuxPip, "/var/cache/u/pip"),
             staging("Updater", "/var/cache/u")});
        row("relative XDG_CACHE_HOME, empty caches",
            {{"XDG_CACHE_HOME=.cache-elsewhere", variable}, {linuxPip.path, folder},
             {thumbnails.path, folder}, {apt.path, folder}}, {});
        // Every rule, fixed or listing, shared or this system's own.
        row("links to the home, above it or to another folder in it are followed by no rule",
            {{"~/.cache=/Users", linked}, {"/Users/pip/p", MiB}, {"/Users/a-updater/u", 51 * MiB},
             {"~/Library/Caches=~", linked}, {"~/pip/p", MiB}, {"~/b.ShipIt/s", 51 * MiB},
             {"~/.config/Code=~/Documents", linked}, {"~/Documents/CachedExtensionVSIXs/v", MiB}},
            {});
        row("as root on a user's home, only what the user owns",
            {{"~/.cache=/usr/lib/python3/dist-packages", linked}, filled(linuxVsix, 1),
             {"/usr/lib/python3/dist-packages/pip/__init__.py", MiB}, filled(apt, MiB),
             {"~", otherUser}, filled(staging("c.ShipIt"), 51 * MiB)},
            {linuxVsix, apt});
        // clang-format on
#endif
    }
    void safeCaches() {
        check([](ScanRun& run, QString home) { return scanSafeCaches(run, home); });
    }

    void developerTools_data() {
        columns();
        row("build caches in rule order, whatever their sizes",
            {filled(npm, 1), filled(npx, MiB), filled(gradle, 2 * MiB), filled(wrapper, 3 * MiB),
             filled(derived, 4 * MiB), filled(ib, 5 * MiB)},
            {npm, npx, gradle, wrapper, derived, ib});
        row("empty, hidden-only and missing build caches",
            {{npm.path, folder}, {gradle.path + "/.lock", MiB}}, whereHiddenCounts({gradle}));
        row("one NDK and hidden entries",
            ndkFolder({"27.0.12077973", ".staging"}) + Layout{{ndks + "/.DS_Store", 1}}, {});
        row("10.0.0 is newer than 9.9.0", ndkFolder({"10.0.0", "9.9.0"}), {olderNdk("9.9.0")});
        row("three NDKs", ndkFolder({"27.0.12077973", "25.2.9519653", "26.1.10909125"}),
            {olderNdk("25.2.9519653"), olderNdk("26.1.10909125")});
        row("25.10.1 is newer than 25.2.9519653", ndkFolder({"25.10.1", "25.2.9519653"}),
            {olderNdk("25.2.9519653")});
        row("equal numbers fall back to character order", ndkFolder({"21.0", "021.0"}),
            {olderNdk("021.0")});
        row("only entries named like a version are NDKs",
            ndkFolder({"25.2.9519653", "26.1.10909125", "my-app", "1.0.bak", "2.", "r21e"}),
            {olderNdk("25.2.9519653")});
        // Listed by the rule; the driver drops it with every other empty record.
        row("empty older NDK",
            ndkFolder({"27.0.12077973"}) + Layout{{ndks + "/26.1.10909125", folder}},
            {olderNdk("26.1.10909125")});
        row("unlistable NDK folder keeps earlier records", {filled(npm, 1), {ndks, 0}}, {npm});
#if defined(Q_OS_LINUX)
        // clang-format off
        row("Linux build caches after the shared ones, NDKs last",
            ndkFolder({"26.1.10909125", "25.2.9519653"}, linuxNdks) +
                ndkFolder({"24.0.8215888", "23.1.7779620"}) + hiddenOnly(moreBuildCaches) +
                Layout{filled(playwright, 1), filled(jetBrains, 2 * MiB), filled(crateSources, MiB),
                       filled(crates, 3 * MiB), filled(goModules, 4 * MiB),
                       filled(goBuild, 5 * MiB), filled(yarn, 6 * MiB), filled(npm, 1)},
            Wants{npm, yarn, goBuild, goModules, crates, crateSources, jetBrains, playwright} +
                moreBuildCaches +
                Wants{olderNdk("23.1.7779620"), olderNdk("25.2.9519653", linuxNdks)});
        row("Go and Cargo folders moved by their variables",
            {{"GOCACHE=/srv/go-build", variable}, {"GOMODCACHE=/srv/mod/", variable},
             {"GOPATH=/work/gopath", variable}, {"CARGO_HOME=/opt/./cargo", variable},
             filled(goBuild, MiB), filled(goModules, MiB), filled(crates, MiB),
             {"/work/gopath/pkg/mod/m", MiB}, {"/srv/go-build/b", MiB}, {"/srv/mod/m", 2 * MiB},
             {"/opt/cargo/registry/cache/c", MiB}, {"/opt/cargo/registry/src/s", MiB}},
            {movedTo(goBuild, "/srv/go-build"), movedTo(goModules, "/srv/mod"),
             movedTo(crates, "/opt/cargo/registry/cache"),
             movedTo(crateSources, "/opt/cargo/registry/src")});
        const Wants movedByTools = {
            tool("/v/uv"), tool("/v/poetry/cache"), tool("/v/poetry/artifacts"),
            tool("/v/pre-commit"), tool("/v/bun"), tool("/v/composer"), tool("/v/nuget"),
            tool("/v/nuget-http"),
            tool("/v/ccache"), tool("/v/sccache"), tool("~/.cache/node-gyp"), tool("/v/electron"),
            tool("/v/electron-builder"), tool("/v/Homebrew"), tool("/v/pub/hosted"),
            optIn("/v/Cypress"), optIn("/v/puppeteer"), optIn("/v/deno"), optIn("/v/hub"),
            optIn("/v/torch/hub")};
        row("each tool's own variable",
            variables({"UV_CACHE_DIR=/v/uv", "POETRY_CACHE_DIR=/v/poetry",
                       "PRE_COMMIT_HOME=/v/pre-commit", "BUN_INSTALL_CACHE_DIR=/v/bun",
                       "COMPOSER_CACHE_DIR=/v/composer", "NUGET_PACKAGES=/v/nuget",
                       "NUGET_HTTP_CACHE_PATH=/v/nuget-http", "CCACHE_DIR=/v/ccache",
                       "SCCACHE_DIR=/v/sccache", "ELECTRON_CACHE=/v/electron",
                       "ELECTRON_BUILDER_CACHE=/v/electron-builder", "HOMEBREW_CACHE=/v/Homebrew",
                       "PUB_CACHE=/v/pub", "CYPRESS_CACHE_FOLDER=/v/Cypress",
                       "PUPPETEER_CACHE_DIR=/v/puppeteer", "DENO_DIR=/v/deno",
                       "HF_HUB_CACHE=/v/hub", "TORCH_HOME=/v/torch"}) +
                hiddenOnly(moreBuildCaches) + hiddenOnly(movedByTools),
            movedByTools);
        // Puppeteer keeps ~/.cache whatever XDG_CACHE_HOME says; Bun hides its folder in it.
        const Wants movedByXdg = {
            tool("/x/uv"), tool("/x/pypoetry/cache"), tool("/x/pypoetry/artifacts"),
            tool("/x/pre-commit"), tool("/x/.bun/install/cache"), tool("/x/composer"),
            tool("~/.nuget/packages"), tool("/d/NuGet/http-cache"), tool("/x/ccache"),
            tool("/x/sccache"), tool("/x/node-gyp"), tool("/x/electron"),
            tool("/x/electron-builder"), tool("/x/Homebrew"), tool("~/.pub-cache/hosted"),
            optIn("/x/Cypress"), optIn("~/.cache/puppeteer"), optIn("/x/deno"),
            optIn("/x/huggingface/hub"), optIn("/x/torch/hub")};
        row("user cache and data folders moved by XDG variables",
            variables({"XDG_CACHE_HOME=/x", "XDG_DATA_HOME=/d"}) + hiddenOnly(moreBuildCaches) +
                hiddenOnly(movedByXdg),
            movedByXdg);
        row("homes named by BUN_INSTALL, COMPOSER_HOME and HF_HOME",
            variables({"BUN_INSTALL=/b", "COMPOSER_HOME=/c", "HF_HOME=/h", "XDG_CACHE_HOME=/x"}) +
                hiddenOnly({tool("/b/install/cache"), tool("/x/.bun/install/cache"),
                            tool("/c/cache"), tool("~/.composer/cache"), tool("/h/hub"),
                            tool("/x/huggingface/hub")}),
            {tool("/b/install/cache"), tool("/c/cache"), optIn("/h/hub")});
        row("older Composer and NuGet folders while they are there, never ~/.ccache",
            hiddenOnly({tool("~/.ccache"), tool("~/.cache/ccache"), tool("~/.composer/cache"),
                        tool("~/.cache/composer"), tool("~/.local/share/NuGet/v3-cache")}),
            {tool("~/.composer/cache"), tool("~/.local/share/NuGet/v3-cache"),
             tool("~/.cache/ccache")});
        row("folders holding settings or login tokens, a dangling link included",
            {{"CCACHE_DIR=/v/ccache", variable},
             {"/v/ccache/ccache.conf=/v/dots/ccache.conf", linked}, {"/v/ccache/o", MiB},
             {"HF_HUB_CACHE=/v/hub", variable}, {"/v/hub/token", 1}, {"/v/hub/models--m/w", MiB}},
            {});
        row("modules in the first GOPATH entry",
            {{"GOPATH=/work/gopath:/other", variable}, filled(goModules, MiB),
             {"/other/pkg/mod/m", MiB}, {"/work/gopath/pkg/mod/m", MiB}},
            {movedTo(goModules, "/work/gopath/pkg/mod")});
        row("relative, root, home and dot-dot values are ignored",
            {{"XDG_CACHE_HOME=/Users", variable}, {"GOCACHE=go-build", variable},
             {"GOMODCACHE=/", variable}, {"GOPATH=/srv/../srv/gopath", variable},
             {"CARGO_HOME=~/", variable}, filled(goBuild, MiB), filled(goModules, MiB),
             filled(crates, MiB), {"/srv/gopath/pkg/mod/m", MiB}, {"~/registry/cache/c", MiB}},
            {goBuild, goModules, crates});
        // Links at the variable and above it: what the variable names is the home.
        row("variables reaching the home through links are ignored, others followed",
            {{"/srv/home=~", linked}, {"/a=/Users", linked}, {"/srv/data=/data", linked},
             {"XDG_CACHE_HOME=/srv/home", variable}, {"CARGO_HOME=/a/u", variable},
             {"GOPATH=/srv/home/", variable}, {"TORCH_HOME=/a/u/", variable},
             {"UV_CACHE_DIR=/srv/data/uv", variable}, {"~/yarn/y", MiB}, {"~/pkg/mod/m", MiB},
             {"~/registry/cache/c", MiB}, {"~/hub/h", MiB}, {"/data/uv/.u", MiB},
             filled(yarn, MiB), filled(goModules, MiB), filled(crates, MiB)},
            {yarn, goModules, crates, tool("/srv/data/uv")});
        row("a variable is followed only when its bytes are text",
            {{"GOCACHE=/srv/x/%FF", variable}, {"/srv/x/\uFFFD/b", MiB}, filled(goBuild, MiB)},
            {goBuild});
        row("default folders linked to the home or to another folder in it are not followed",
            {{"~/.cargo=~", linked}, {"~/go=~", linked}, {"~/.bun=~", linked},
             {"~/.local/share=~", linked}, {"~/.pub-cache=~/Documents", linked},
             {"~/.cache/torch=~/Documents", linked}, {"~/.cache/pypoetry=~/Documents", linked},
             {"~/.cache/huggingface=~/Documents", linked}, {"~/registry/cache/c", MiB},
             {"~/registry/src/s", MiB}, {"~/pkg/mod/m", MiB}, {"~/install/cache/c", MiB},
             {"~/NuGet/http-cache/h", MiB}, {"~/Documents/hosted/h", MiB},
             {"~/Documents/hub/h", MiB}, {"~/Documents/cache/c", MiB},
             {"~/Documents/artifacts/a", MiB}},
            {});
        row("a cache moved to another disk by a link is followed, one into documents is not",
            {{"/mnt/data/cache", folder}, {"~/.cache=/mnt/data/cache", linked},
             {"~/.cargo/registry=~/Documents", linked}, {"~/Android/Sdk/ndk=~/.ssh", linked},
             filled(yarn, MiB), {"~/Documents/cache/c", MiB}, {"~/Documents/src/s", MiB},
             {"~/.ssh/config.d/c", MiB}, {"~/.ssh/1.0/k", MiB}, {"~/.ssh/2.0/k", MiB}},
            {yarn});
        row("as root on a user's home, no system folder through the user's links",
            {{"~/.cache=/var/lib", linked}, {"/var/lib/composer/c", MiB},
             {"/var/lib/electron/e", MiB}, {"/var/lib/Homebrew/h", MiB}, filled(npm, MiB),
             {"~", otherUser}},
            {npm});
        row("empty Linux build caches give nothing, hidden-only ones are measured whole",
            {{yarn.path, folder}, {goModules.path + "/.lock", MiB}, {npm.path + "/.lock", MiB}},
            {npm, goModules});
        // clang-format on
#endif
    }
    void developerTools() {
        check([](ScanRun& run, QString home) { return scanDeveloperTools(run, home); });
    }

    void simulators_data() {
        columns();
        row("dyld cache and runtimes, hidden and empty volumes left out",
            {filled(dyld, MiB),
             filled(runtime("iOS_21A328"), 2 * MiB),
             filled(runtime(".Trashes"), 2 * MiB),
             {volumes + "/iOS_empty", folder}},
            {dyld, runtime("iOS_21A328")});
        row("unlistable volumes keep the dyld cache", {filled(dyld, MiB), {volumes, 0}}, {dyld});
    }
    void simulators() {
        check([](ScanRun& run, QString) { return scanSimulators(run); });
    }

    void dormantPlugins_data() {
        columns();
        row("Pro Tools present",
            {{"/Applications/Pro Tools.app/Contents/Info.plist", 1},
             filled(aax, 200 * MiB),
             filled(vst, 1)},
            {vst});
        row("Pro Tools absent", {filled(aax, 2 * MiB), filled(vst, 1)}, {aax, vst});
        row("empty AAX folder, no VST folder", {{aax.path, folder}}, {});
    }
    void dormantPlugins() {
        check([](ScanRun& run, QString) { return scanDormantPlugins(run); });
    }

    void containerResidue_data() {
        columns();
        const Want downloads = residue("com.example.reader", "Downloads");
        row("exactly 100 MiB", {filled(downloads, 100 * MiB)}, {});
        row("one block over 100 MiB", {filled(downloads, 100 * MiB + 1)}, {downloads});
        Layout systemFolders;
        for (const char* entry : {"AddressBook", "SyncServices", "iCloud", "icloud"}) {
            systemFolders.append(filled(residue("com.example.reader", entry), 100 * MiB + 1));
        }
        row("system folders are never offered, other letter cases are", systemFolders,
            {residue("com.example.reader", "icloud")});
        row("hidden containers and entries",
            {filled(residue(".com.example.hidden", "Downloads"), 100 * MiB + 1),
             filled(residue("com.example.reader", ".cache"), 100 * MiB + 1)},
            {});
        row("containers without a listable support folder are skipped",
            {{containers + "/com.example.bare/Data/Library", folder},
             {containers + "/com.example.odd/Data/Library/Application Support", 0},
             filled(downloads, 100 * MiB + 1)},
            {downloads});
        row("unlistable containers folder", {{containers, 0}}, {});
    }
    void containerResidue() {
        check([](ScanRun& run, QString home) { return scanContainerResidue(run, home); });
    }

    void projectBuildFolders_data() {
        columns();
        // clang-format off
        const std::pair<QStringList, QStringList> kinds[] = {
            {{"Cargo.toml"}, {"target"}},
            {{"package.json", "package-lock.json"},
             {"node_modules", ".next", ".nuxt", ".angular", ".svelte-kit", ".turbo", ".parcel-cache"}},
            {{"package.json", "yarn.lock"}, {"node_modules"}},
            {{"package.json", "pnpm-lock.yaml"}, {"node_modules"}},
            {{"package.json", "bun.lockb"}, {"node_modules"}},
            {{"package.json", "bun.lock"}, {"node_modules"}},
            {{"package.json", "npm-shrinkwrap.json"}, {"node_modules"}},
            {{"build.gradle"}, {"build", ".gradle"}}, {{"build.gradle.kts"}, {"build"}},
            {{"settings.gradle"}, {"build"}}, {{"settings.gradle.kts"}, {".gradle"}},
            {{"pom.xml"}, {"target"}},
            {{"CMakeLists.txt"}, {"cmake-build-debug/CMakeCache.txt", "out/CMakeCache.txt"}},
            {{"Package.swift"}, {".build"}},
            {{"App.csproj"}, {"obj/project.assets.json", "bin"}},
            {{"Lib.fsproj"}, {"obj/project.assets.json"}},
            {{"pubspec.yaml"}, {".dart_tool", "build"}}, {{"mix.exs"}, {"_build"}},
            {{"stack.yaml"}, {".stack-work"}}, {{"cabal.project"}, {"dist-newstyle"}},
            {{"build.zig"}, {"zig-cache", ".zig-cache"}},
            {{"pyproject.toml"}, {".pytest_cache", ".mypy_cache", ".ruff_cache", ".tox", ".nox"}},
            {{"setup.py"}, {".ruff_cache"}}, {{"setup.cfg"}, {".tox"}}};
        // clang-format on
        Layout everyKind;
        Wants offered;
        for (int index = 0; index < int(std::size(kinds)); ++index) {
            const QString at = "~/p/" + QString::number(index);
            everyKind += project(at, kinds[index].first, kinds[index].second);
            for (const QString& entry : kinds[index].second) {
                offered.append(built(at + "/" + entry.section('/', 0, 0)));
            }
        }
        row("every marker and its build folders, dormant, in path order", everyKind,
            inPathOrder(offered));
        row("environments and tagged caches for review, never selected",
            project("~/py", {"setup.py"}, {".venv/pyvenv.cfg", "venv/pyvenv.cfg", "venv/lib/x"}) +
                project("~/rs", {"Cargo.toml"}, {"cache/x"}) +
                Layout{{"~/rs/cache/CACHEDIR.TAG", tagged}},
            {review("~/py/.venv"), review("~/py/venv"), review("~/rs/cache")});
        row("nested projects, two kinds in one folder, a workspace's lock file",
            project("~/mono", {"package.json", "pnpm-lock.yaml", "Cargo.toml", "src/main.rs"},
                    {"node_modules", "target"}) +
                project("~/mono/packages/a", {"package.json", "src/index.ts"},
                        {"node_modules", ".turbo"}, 3) +
                project("~/mono/crates/c", {"Cargo.toml"}, {"target"}, 40),
            {built("~/mono/crates/c/target", 40), built("~/mono/node_modules"),
             built("~/mono/packages/a/.turbo", 3), built("~/mono/packages/a/node_modules", 3),
             built("~/mono/target")});
        row("active until 30 days unchanged, hidden files counted, hidden folders not",
            project("~/a29", {"Cargo.toml"}, {"target"}, 29) +
                project("~/a30", {"Cargo.toml"}, {"target"}, 30) +
                project("~/edited", {"Cargo.toml"}, {"target"}) +
                project("~/edited", {"src/lib.rs"}, {}, 3) +
                project("~/env", {"Cargo.toml"}, {"target"}) + project("~/env", {".env"}, {}, 3) +
                project("~/ide", {"Cargo.toml"}, {"target"}) +
                project("~/ide", {".idea/x.xml"}, {}, 3),
            {built("~/a29/target", 29), built("~/a30/target", 30), built("~/edited/target", 3),
             built("~/env/target", 3), built("~/ide/target")});
        row("a repository cloned into a build folder is searched, not offered",
            project("~/g", {"build.gradle"}, {"build/.git/HEAD", ".gradle"}) +
                project("~/g/build", {"Cargo.toml"}, {"target"}),
            {built("~/g/.gradle"), built("~/g/build/target")});
        row("left out: hidden, linked, unmarked, installed, home, wrong contents",
            project("~/.hidden/p", {"Cargo.toml"}, {"target"}) +
                project("~/w/.config/p", {"Cargo.toml"}, {"target"}) +
                project("/elsewhere/p", {"Cargo.toml"}, {"target"}) +
                project("~/lt", {"Cargo.toml"}) + project("~/lm", {}, {"target"}) +
                project("~/fm/Cargo.toml", {"f"}, {"../target"}) +
                Layout{{"~/linked=/elsewhere/p", linked},
                       {"~/lt/target=/elsewhere/p/target", linked},
                       {"~/lm/Cargo.toml=/elsewhere/p/Cargo.toml", linked}} +
                project("~/data", {"x"}, {"target", "node_modules", "build", ".venv", "dist"}) +
                project("~/web", {"package.json", "yarn.lock"},
                        {"dist", "out", "vendor", "Pods", "__pycache__"}) +
                project("~/app", {"package.json"},
                        {"node_modules/dep/package.json", "node_modules/dep/yarn.lock",
                         "node_modules/dep/node_modules"}) +
                project("~", {"Cargo.toml", "package-lock.json"}, {"target"}) +
                project("~/site", {"package.json"}, {"node_modules"}) +
                project("~/c", {"CMakeLists.txt"}, {"build"}) +
                project("~/n", {"App.csproj"}, {"obj", "bin"}) +
                project("~/x", {".csproj"}, {"obj/project.assets.json"}) +
                project("~/v", {"pyproject.toml"}, {".venv"}) +
                project("~/e", {"pyvenv.cfg", "lib/p/Cargo.toml"}, {"lib/p/target"}) +
                project("~/t", {"Cargo.toml", "cache/CACHEDIR.TAG"}),
            {});
#if defined(Q_OS_LINUX)
        row("never in ~/snap", project("~/snap/app/1", {"Cargo.toml"}, {"target"}), {});
#endif
    }
    void projectBuildFolders() {
        check([](ScanRun& run, QString home) { return scanProjectBuildFolders(run, home, {}); });
    }

    // A target inside another one, or the same folder reached twice, is listed once, as the outer
    // or the first one, whatever category found it.
    void nestedTargets_data() {
        columns();
#if defined(Q_OS_LINUX)
        // clang-format off
        row("through variables and links",
            {{"/srv/c=~/.cache", linked}, {"GOMODCACHE=~/.cache/yarn/mod", variable},
             {"UV_CACHE_DIR=/srv/c/pip", variable}, {"CARGO_HOME=~/.cache/JetBrains/c", variable},
             filled(npm, 7 * MiB), filled(linuxPip, 4 * MiB), filled(yarn, MiB),
             {"~/.cache/yarn/mod/m", 2 * MiB}, {"~/.cache/JetBrains/c/registry/cache/c", 5 * MiB},
             {"~/.cache/JetBrains/c/registry/src/s", 6 * MiB}},
            {jetBrains, npm, linuxPip, yarn});
        row("variables naming the user cache, the data folder or a tool's home are not followed",
            {{"XDG_CACHE_HOME=~/.var/cache", variable}, {"SCCACHE_DIR=~/.var/cache", variable},
             {"HF_HUB_CACHE=~/.var/cache/huggingface", variable},
             {"GOMODCACHE=~/.local/share", variable}, {"~/.var/cache/huggingface/token", 1},
             {"~/.var/cache/huggingface/models--m/w", MiB}, {"~/.var/cache/pip/p", MiB},
             {"~/.local/share/app/state", MiB}},
            {movedTo(linuxPip, "~/.var/cache/pip")});
        row("the outer target takes the most careful policy of those it holds",
            {{"ELECTRON_CACHE=/opt/n", variable}, {"HF_HUB_CACHE=/opt/n/hf", variable},
             {"HOMEBREW_CACHE=/var/cache/apt", variable},
             {"UV_CACHE_DIR=~/.cache/pip/uv", variable},
             {"/opt/n/e", MiB}, {"/opt/n/hf/m", MiB}, filled(apt, MiB),
             {"/var/cache/apt/pkgcache.bin", 2 * MiB}, {"~/.cache/uv/u", 3 * MiB},
             {"~/.cache/pip/uv/u", 3 * MiB}, filled(linuxPip, MiB)},
            {{carefulCache, linuxPip.path}, {carefulBuild, "/var/cache/apt"}, optIn("/opt/n")});
        row("as root on a user's home, variables naming system folders offer nothing",
            {{"HOMEBREW_CACHE=/var/cache/apt", variable},
             {"ELECTRON_CACHE=/var/lib/dpkg", variable}, filled(apt, MiB),
             {"/var/cache/apt/pkgcache.bin", MiB}, {"/var/lib/dpkg/status", MiB},
             filled(npm, 2 * MiB), {"~", otherUser}},
            {npm, apt});
        // clang-format on
#else
        row("nothing of this system's own", {filled(npm, MiB)}, {npm});
#endif
    }
    void nestedTargets() {
        check([](ScanRun& run, QString) { return run.scan(); });
    }

    // Every rule present: largest first, equal sizes in category, then rule order.
    void fullScan() {
        const Want reader = residue("com.example.reader", "Downloads");
        const Want shipIt = staging("com.example.ShipIt");
        const Want older = olderNdk("25.2.9519653");
        // clang-format off
        const Disk disk({filled(vsix, 3 * MiB), filled(crx, 1), filled(pip, 2 * MiB),
                         filled(shipIt, 60 * MiB), filled(npm, 1), filled(npx, 5 * MiB),
                         filled(gradle, 7 * MiB), filled(wrapper, 4 * MiB), filled(derived, 8 * MiB),
                         filled(ib, 1), filled(older, 6 * MiB), {ndks + "/26.1.10909125", folder},
                         {ndks + "/27.0.12077973/t", 9 * MiB}, filled(dyld, 1),
                         filled(runtime("iOS_21A328"), 10 * MiB), filled(aax, 2 * MiB),
                         filled(vst, 1), filled(reader, 100 * MiB + 1),
                         {"~/src/app/Cargo.toml", 1, dormant}, {"~/src/app/target/t", 11 * MiB}});
        // clang-format on
        Scanner scanner(disk.fileSystem());
        QCOMPARE(described(QCoro::waitFor(scanner.scanAll({}))),
                 disk.expected({reader, shipIt, built("~/src/app/target"), runtime("iOS_21A328"),
                                derived, gradle, older, npx, wrapper, vsix, pip, aax, crx, npm, ib,
                                dyld, vst}));
    }

    // The removal guard keeps away from shallow paths; nothing the catalogue offers may be one.
    void everyTargetIsRemovable() {
        Scanner scanner(std::make_shared<EverythingDisk>());
        const QList<FolderItem> found = QCoro::waitFor(scanner.scanAll({}));
        QVERIFY(found.size() >= 16);
        const FakeDisk disk(QStringLiteral("/Users/u"));
        for (const FolderItem& item : found) {
            disk.makeFolder(item.path);
            QVERIFY2(!disk.fileSystem()->removeItem(item.path), qPrintable(item.path));
        }
    }

    // With no usable home, what lies where a home-based rule would look is never offered.
    void unusableHome_data() {
        QTest::addColumn<QString>("home");
        QTest::newRow("empty") << QString();
        QTest::newRow("root") << QStringLiteral("/");
    }
    void unusableHome() {
        QFETCH(QString, home);
        const Disk disk(
            {{"/Library/Caches/com.example.ShipIt/p", 50 * MiB + 1},
             {"/.npm/_cacache/index", 1},
             {"XDG_CACHE_HOME=/var/cache/u", variable},
             {"/var/cache/u/pip/p", 1},
             {"/Library/Containers/c/Data/Library/Application Support/D/p", 100 * MiB + 1},
             filled(vst, 1)},
            home);
        Scanner scanner(disk.fileSystem());
        QCOMPARE(described(QCoro::waitFor(scanner.scanAll({}))), disk.expected({vst}));
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
