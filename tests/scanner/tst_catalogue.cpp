#include "platform/FileSystem.h"
#include "scanner/Scanner.h"
#include "support/FakeDisk.h"

#include <QTest>

#include <algorithm>

namespace {

using enum CleanupCategory;
using enum SafetyTier;

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 folder = -1;

// One thing on a fake disk: a file of `bytes` (allocated, never written) or, for `folder`, an empty
// folder. A path beginning with "~" lies in the home folder.
struct Item {
    QString path;
    qint64 bytes;
};
using Layout = QList<Item>;

// What one rule sets alike on its records.
struct Rule {
    CleanupCategory category;
    SafetyTier tier;
    bool selected;
    bool recreate;
    bool sudo;
    QString subtitle;
    QString name = {};           // the name of a fixed-path rule's record
    bool followsListing = false; // its records come in the order the folder lists its entries
};
struct Want {
    Rule rule;
    QString path;
    QString name = {};
};
using Wants = QList<Want>;

const Rule vsix{safeCaches,
                safe,
                true,
                true,
                false,
                "Cached installer packages of already-installed VS Code extensions.",
                "VS Code Extension Packages"};
const Rule crx{safeCaches,
               safe,
               true,
               true,
               false,
               "Downloaded Chrome extension update packages staged by GoogleUpdater.",
               "Google CRX Download Cache"};
const Rule pip{safeCaches,
               safe,
               true,
               true,
               false,
               "Cached Python binary wheel archives and source tarballs.",
               "Python Pip Wheel Cache"};
const Rule staging{safeCaches, safe,  true,
                   true,       false, "Auto-updater staging cache for downloaded app updates.",
                   {},         true};
const Rule npm{developerTools,
               developer,
               true,
               true,
               false,
               "Local copy of downloaded npm tarballs. npm re-fetches automatically on demand.",
               "npm Package Cache"};
const Rule npx{developerTools,
               developer,
               true,
               true,
               false,
               "One-off CLI packages downloaded during npx runs.",
               "npx Temporary Packages"};
const Rule gradle{developerTools,
                  developer,
                  true,
                  true,
                  false,
                  "Cached jars and build artifacts from Android/Java Gradle builds.",
                  "Gradle Build & Dependency Caches"};
const Rule wrapper{developerTools,
                   developer,
                   true,
                   true,
                   false,
                   "Downloaded Gradle version zip archives from past projects.",
                   "Gradle Wrapper Distributions"};
const Rule derived{developerTools,
                   developer,
                   true,
                   true,
                   false,
                   "Intermediate build files, indexes, and symbol caches for Xcode projects.",
                   "Xcode DerivedData"};
const Rule ib{developerTools,
              developer,
              true,
              true,
              false,
              "Cached simulator configurations used by Xcode Interface Builder.",
              "Xcode Interface Builder Cache"};
Rule ndk(const QString& latest) {
    return {developerTools,
            developer,
            true,
            false,
            false,
            "Superseded Android NDK version. The latest NDK (" + latest + ") remains untouched."};
}
const Rule dyld{simulators,
                developer,
                false,
                true,
                false,
                "Dynamic linker cache generated for simulator runtimes.",
                "Simulator dyld Shared Cache"};
const Rule runtime{
    simulators, developer,
    false,      false,
    false,      "Mounted simulator operating system image (manageable via Xcode Components).",
    {},         true};
const Rule aax{dormantPlugins,
               caution,
               false,
               true,
               true,
               "AAX plug-ins are only used by Pro Tools. Logic Pro exclusively uses Audio Units "
               "(.component).",
               "Dormant AAX Plugins (No Pro Tools)"};
const Rule vst{dormantPlugins,
               caution,
               false,
               true,
               true,
               "Legacy VST2 format. Logic Pro and native Apple Silicon DAWs use AU (.component) or "
               "VST3.",
               "Legacy VST2 Plugins"};
const Rule residue{containerResidue,
                   caution,
                   false,
                   false,
                   false,
                   "Extracted archive residue stored inside app sandbox container.",
                   {},
                   true};

const QString caches = "~/Library/Caches/";
const QString ndks = "~/Library/Android/sdk/ndk/";
const QString volumes = "/Library/Developer/CoreSimulator/Volumes/";
const QString containers = "~/Library/Containers/";
const QString aaxFolder = "/Library/Application Support/Avid/Audio/Plug-Ins";
const QString vstFolder = "/Library/Audio/Plug-Ins/VST";

QString support(const QString& container) {
    return containers + container + "/Data/Library/Application Support/";
}

QString describe(const QString& name, const QString& path, qint64 size, CleanupCategory category,
                 SafetyTier tier, const QString& subtitle, bool selected, bool recreate,
                 bool hasCommand, bool sudo) {
    return QStringList{name,
                       path,
                       QString::number(size),
                       rawValue(category),
                       rawValue(tier),
                       subtitle,
                       selected ? "selected" : "not selected",
                       recreate ? "recreate" : "no recreate",
                       hasCommand ? "command" : "no command",
                       sudo ? "sudo" : "no sudo"}
        .join(" | ");
}

QStringList described(const QList<FolderItem>& items) {
    QStringList lines;
    for (const FolderItem& item : items) {
        lines << describe(item.name, item.path, item.size, item.category, item.safetyTier,
                          item.subtitle, item.isSelected, item.recreateFolderAfterDelete,
                          item.cliCommand.has_value(), item.requiresSudo);
    }
    return lines;
}

// A fake disk built from a layout, which knows what the scanner should measure on it.
class Disk {
public:
    explicit Disk(const Layout& layout, const QString& home = "/Users/u")
        : m_disk(home) {
        for (const Item& item : layout) {
            const QString path = logical(item.path);
            if (item.bytes == folder) {
                m_disk.makeFolder(path);
                continue;
            }
            const qint64 allocated = m_disk.allocateFile(path, item.bytes);
            m_allocated.append({path, allocated});
            m_exact = m_exact && (item.bytes % 4096 != 0 || allocated == item.bytes);
        }
    }

    // Whole blocks were allocated exactly, so a file of 50 MiB occupies 50 MiB.
    bool exact() const { return m_exact; }
    QString home() const { return m_disk.home(); }
    std::shared_ptr<FileSystem> fileSystem() const { return m_disk.fileSystem(); }

    // The records `wants` describe, sized from what was allocated and, where a rule follows a
    // folder listing, in the order this disk lists them.
    QStringList expected(Wants wants) const {
        for (qsizetype start = 0; start < wants.size();) {
            const QString parent = parentOf(wants[start]);
            qsizetype end = start + 1;
            while (wants[start].rule.followsListing && end < wants.size() &&
                   wants[end].rule.followsListing && parentOf(wants[end]) == parent) {
                ++end;
            }
            const QStringList listing =
                fileSystem()->contentsOfDirectory(parent).value_or(QStringList());
            std::sort(wants.begin() + start, wants.begin() + end,
                      [&](const Want& a, const Want& b) {
                          return listing.indexOf(nameIn(a)) < listing.indexOf(nameIn(b));
                      });
            start = end;
        }
        QStringList lines;
        for (const Want& want : wants) {
            const Rule& rule = want.rule;
            const QString path = logical(want.path);
            lines << describe(want.name.isEmpty() ? rule.name : want.name, path, sizeBelow(path),
                              rule.category, rule.tier, rule.subtitle, rule.selected, rule.recreate,
                              false, rule.sudo);
        }
        return lines;
    }

private:
    QString logical(QString path) const {
        return path.startsWith('~') ? path.replace(0, 1, m_disk.home()) : path;
    }
    QString parentOf(const Want& want) const { return logical(want.path).section('/', 0, -2); }
    static QString nameIn(const Want& want) { return want.path.section('/', -1); }

    // Files below `path`, leaving out anything hidden on the way down, as the walk does.
    qint64 sizeBelow(const QString& path) const {
        qint64 total = 0;
        for (const auto& [file, allocated] : m_allocated) {
            if (file.startsWith(path + '/') && !file.mid(path.size()).contains("/.")) {
                total += allocated;
            }
        }
        return total;
    }

    FakeDisk m_disk;
    QList<std::pair<QString, qint64>> m_allocated;
    bool m_exact = true;
};

using ScanFn = QCoro::Task<QList<FolderItem>> (*)(Scanner&, QString);

Layout stagingFolder(const QString& name) {
    return {{caches + name + "/payload.zip", 50 * MiB + 1}};
}

Layout ndkFolder(const QStringList& versions) {
    Layout layout;
    for (const QString& version : versions) {
        layout.append({ndks + version + "/toolchain.bin", MiB});
    }
    return layout;
}

Want olderNdk(const QString& version, const QString& latest) {
    return {ndk(latest), ndks + version, "Android NDK " + version + " (Older Version)"};
}

Layout residueEntry(const QString& container, const QString& entry, qint64 bytes) {
    return {{support(container) + entry + "/payload.bin", bytes}};
}

} // namespace

Q_DECLARE_METATYPE(Layout)
Q_DECLARE_METATYPE(Wants)

class CatalogueTest : public QObject {
    Q_OBJECT

    static void columns() {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<Wants>("wants");
    }

    // Runs one category scan on the row's disk and compares whole records, in order.
    static void check(ScanFn scan) {
        QFETCH(Layout, layout);
        QFETCH(Wants, wants);
        const Disk disk(layout);
        if (!disk.exact()) {
            QSKIP("this file system does not allocate whole blocks exactly");
        }
        Scanner scanner(disk.fileSystem());
        QCOMPARE(described(QCoro::waitFor(scan(scanner, disk.home()))), disk.expected(wants));
    }

private slots:
    void safeCaches_data() {
        columns();
        QTest::newRow("nothing present") << Layout{} << Wants{};
        QTest::newRow("fixed caches in rule order, whatever their sizes")
            << Layout{{caches + "pip/wheels/a.whl", 3 * MiB},
                      {"~/Library/Application Support/Google/GoogleUpdater/crx_cache/x.crx", MiB},
                      {"~/Library/Application Support/Code/CachedExtensionVSIXs/e.vsix", 1}}
            << Wants{{vsix, "~/Library/Application Support/Code/CachedExtensionVSIXs"},
                     {crx, "~/Library/Application Support/Google/GoogleUpdater/crx_cache"},
                     {pip, caches + "pip"}};
        QTest::newRow("empty and hidden-only caches")
            << Layout{{caches + "pip", folder},
                      {"~/Library/Application Support/Code/CachedExtensionVSIXs/.DS_Store", MiB}}
            << Wants{};
        QTest::newRow("staging at exactly 50 MiB")
            << Layout{{caches + "com.example.ShipIt/update.zip", 50 * MiB}} << Wants{};
        for (const char* name : {"com.example.ShipIt", "Updater", "UPDATER", "App-UpDater",
                                 "com.example.app.UPDATE", ".shipit-state"}) {
            QTest::addRow("staging one block over 50 MiB: %s", name)
                << stagingFolder(name) << Wants{{staging, caches + name, name}};
        }
        for (const char* name :
             {"com.example.app", "pip-tools", "upd-ater", "com.example.SHİPIT"}) {
            QTest::addRow("not staging: %s", name) << stagingFolder(name) << Wants{};
        }
        QTest::newRow("pip is never staging")
            << Layout{{caches + "pip/big.whl", 60 * MiB}} << Wants{{pip, caches + "pip"}};
        QTest::newRow("staging folders in listing order")
            << (stagingFolder("b.ShipIt") + stagingFolder("a-updater") + stagingFolder("c.update"))
            << Wants{{staging, caches + "b.ShipIt", "b.ShipIt"},
                     {staging, caches + "a-updater", "a-updater"},
                     {staging, caches + "c.update", "c.update"}};
        QTest::newRow("unlistable caches folder keeps earlier records")
            << Layout{{"~/Library/Caches", 0},
                      {"~/Library/Application Support/Code/CachedExtensionVSIXs/e.vsix", 1}}
            << Wants{{vsix, "~/Library/Application Support/Code/CachedExtensionVSIXs"}};
    }
    void safeCaches() {
        check([](Scanner& scanner, QString home) { return scanner.scanSafeCaches(home); });
    }

    void developerTools_data() {
        columns();
        QTest::newRow("build caches in rule order, whatever their sizes")
            << Layout{{"~/.npm/_cacache/index", 1},
                      {"~/.npm/_npx/a/pkg", MiB},
                      {"~/.gradle/caches/modules/x.jar", 2 * MiB},
                      {"~/.gradle/wrapper/dists/gradle-8/g.zip", 3 * MiB},
                      {"~/Library/Developer/Xcode/DerivedData/App-x/Build/o", 4 * MiB},
                      {"~/Library/Developer/Xcode/UserData/IB Support/Simulator", 5 * MiB}}
            << Wants{{npm, "~/.npm/_cacache"},
                     {npx, "~/.npm/_npx"},
                     {gradle, "~/.gradle/caches"},
                     {wrapper, "~/.gradle/wrapper/dists"},
                     {derived, "~/Library/Developer/Xcode/DerivedData"},
                     {ib, "~/Library/Developer/Xcode/UserData/IB Support"}};
        QTest::newRow("empty, hidden-only and missing build caches")
            << Layout{{"~/.npm/_cacache", folder}, {"~/.gradle/caches/.lock", MiB}} << Wants{};
        QTest::newRow("single NDK") << ndkFolder({"27.0.12077973"}) << Wants{};
        QTest::newRow("one NDK and hidden entries")
            << ndkFolder({"27.0.12077973", ".staging"}) + Layout{{ndks + ".DS_Store", 1}}
            << Wants{};
        QTest::newRow("10.0.0 is newer than 9.9.0")
            << ndkFolder({"10.0.0", "9.9.0"}) << Wants{olderNdk("9.9.0", "10.0.0")};
        QTest::newRow("three NDKs") << ndkFolder({"27.0.12077973", "25.2.9519653", "26.1.10909125"})
                                    << Wants{olderNdk("25.2.9519653", "27.0.12077973"),
                                             olderNdk("26.1.10909125", "27.0.12077973")};
        QTest::newRow("25.10.1 is newer than 25.2.9519653")
            << ndkFolder({"25.10.1", "25.2.9519653"}) << Wants{olderNdk("25.2.9519653", "25.10.1")};
        QTest::newRow("equal numbers fall back to character order")
            << ndkFolder({"21.0", "021.0"}) << Wants{olderNdk("021.0", "21.0")};
        // The driver drops it with every other empty record.
        QTest::newRow("empty older NDK")
            << ndkFolder({"27.0.12077973"}) + Layout{{ndks + "26.1.10909125", folder}}
            << Wants{olderNdk("26.1.10909125", "27.0.12077973")};
        QTest::newRow("unlistable NDK folder keeps earlier records")
            << Layout{{"~/.npm/_cacache/index", 1}, {"~/Library/Android/sdk/ndk", 0}}
            << Wants{{npm, "~/.npm/_cacache"}};
    }
    void developerTools() {
        check([](Scanner& scanner, QString home) { return scanner.scanDeveloperTools(home); });
    }

    void simulators_data() {
        columns();
        QTest::newRow("nothing present") << Layout{} << Wants{};
        QTest::newRow("dyld cache and runtimes, hidden and empty volumes left out")
            << Layout{{"/Library/Developer/CoreSimulator/Caches/dyld/21A328/cache", MiB},
                      {volumes + "iOS_21A328/image", 2 * MiB},
                      {volumes + ".Trashes/image", 2 * MiB},
                      {volumes + "iOS_empty", folder}}
            << Wants{{dyld, "/Library/Developer/CoreSimulator/Caches/dyld"},
                     {runtime, volumes + "iOS_21A328", "iOS Simulator Runtime (iOS_21A328)"}};
        QTest::newRow("unlistable volumes keep the dyld cache")
            << Layout{{"/Library/Developer/CoreSimulator/Caches/dyld/cache", MiB},
                      {"/Library/Developer/CoreSimulator/Volumes", 0}}
            << Wants{{dyld, "/Library/Developer/CoreSimulator/Caches/dyld"}};
    }
    void simulators() {
        check([](Scanner& scanner, QString) { return scanner.scanSimulators(); });
    }

    void dormantPlugins_data() {
        columns();
        QTest::newRow("Pro Tools present")
            << Layout{{"/Applications/Pro Tools.app/Contents/Info.plist", 1},
                      {aaxFolder + "/Reverb.aaxplugin/bin", 200 * MiB},
                      {vstFolder + "/Old.vst/bin", 1}}
            << Wants{{vst, vstFolder}};
        QTest::newRow("Pro Tools absent") << Layout{{aaxFolder + "/Reverb.aaxplugin/bin", 2 * MiB},
                                                    {vstFolder + "/Old.vst/bin", 1}}
                                          << Wants{{aax, aaxFolder}, {vst, vstFolder}};
        QTest::newRow("empty AAX folder, no VST folder") << Layout{{aaxFolder, folder}} << Wants{};
    }
    void dormantPlugins() {
        check([](Scanner& scanner, QString) { return scanner.scanDormantPlugins(); });
    }

    void containerResidue_data() {
        columns();
        const Want downloads{residue, support("com.example.reader") + "Downloads",
                             "com.example.reader: Downloads"};
        QTest::newRow("exactly 100 MiB")
            << residueEntry("com.example.reader", "Downloads", 100 * MiB) << Wants{};
        QTest::newRow("one block over 100 MiB")
            << residueEntry("com.example.reader", "Downloads", 100 * MiB + 1) << Wants{downloads};
        QTest::newRow("system folders are never offered, other letter cases are")
            << residueEntry("com.example.reader", "AddressBook", 100 * MiB + 1) +
                   residueEntry("com.example.reader", "SyncServices", 100 * MiB + 1) +
                   residueEntry("com.example.reader", "iCloud", 100 * MiB + 1) +
                   residueEntry("com.example.reader", "icloud", 100 * MiB + 1)
            << Wants{{residue, support("com.example.reader") + "icloud",
                      "com.example.reader: icloud"}};
        QTest::newRow("hidden containers and entries")
            << residueEntry(".com.example.hidden", "Downloads", 100 * MiB + 1) +
                   residueEntry("com.example.reader", ".cache", 100 * MiB + 1)
            << Wants{};
        QTest::newRow("containers without a listable support folder are skipped")
            << Layout{{containers + "com.example.bare/Data/Library", folder},
                      {containers + "com.example.odd/Data/Library/Application Support", 0}} +
                   residueEntry("com.example.reader", "Downloads", 100 * MiB + 1)
            << Wants{downloads};
        QTest::newRow("a large file measures nothing")
            << Layout{{support("com.example.reader") + "archive.zip", 100 * MiB + 1}} << Wants{};
        QTest::newRow("unlistable containers folder")
            << Layout{{"~/Library/Containers", 0}} << Wants{};
    }
    void containerResidue() {
        check([](Scanner& scanner, QString home) { return scanner.scanContainerResidue(home); });
    }

    // Every rule present: largest first, equal sizes in category, then rule order.
    void fullScan() {
        const Layout layout =
            Layout{{"~/Library/Application Support/Code/CachedExtensionVSIXs/e.vsix", 3 * MiB},
                   {"~/Library/Application Support/Google/GoogleUpdater/crx_cache/x.crx", 1},
                   {caches + "pip/a.whl", 2 * MiB},
                   {"~/.npm/_cacache/index", 1},
                   {"~/.npm/_npx/a/pkg", 5 * MiB},
                   {"~/.gradle/caches/x.jar", 7 * MiB},
                   {"~/.gradle/wrapper/dists/g.zip", 4 * MiB},
                   {"~/Library/Developer/Xcode/DerivedData/App/o", 8 * MiB},
                   {"~/Library/Developer/Xcode/UserData/IB Support/s", 1},
                   {ndks + "25.2.9519653/t", 6 * MiB},
                   {ndks + "26.1.10909125", folder},
                   {ndks + "27.0.12077973/t", 9 * MiB},
                   {"/Library/Developer/CoreSimulator/Caches/dyld/c", 1},
                   {volumes + "iOS_21A328/image", 10 * MiB},
                   {aaxFolder + "/R.aaxplugin/bin", 2 * MiB},
                   {vstFolder + "/Old.vst/bin", 1}} +
            stagingFolder("com.example.ShipIt") +
            residueEntry("com.example.reader", "Downloads", 100 * MiB + 1);
        const Disk disk(layout);
        Scanner scanner(disk.fileSystem());
        const QList<FolderItem> found = QCoro::waitFor(scanner.scanAll({}));
        QCOMPARE(
            described(found),
            disk.expected({{residue, support("com.example.reader") + "Downloads",
                            "com.example.reader: Downloads"},
                           {staging, caches + "com.example.ShipIt", "com.example.ShipIt"},
                           {runtime, volumes + "iOS_21A328", "iOS Simulator Runtime (iOS_21A328)"},
                           {derived, "~/Library/Developer/Xcode/DerivedData"},
                           {gradle, "~/.gradle/caches"},
                           olderNdk("25.2.9519653", "27.0.12077973"),
                           {npx, "~/.npm/_npx"},
                           {wrapper, "~/.gradle/wrapper/dists"},
                           {vsix, "~/Library/Application Support/Code/CachedExtensionVSIXs"},
                           {pip, caches + "pip"},
                           {aax, aaxFolder},
                           {crx, "~/Library/Application Support/Google/GoogleUpdater/crx_cache"},
                           {npm, "~/.npm/_cacache"},
                           {ib, "~/Library/Developer/Xcode/UserData/IB Support"},
                           {dyld, "/Library/Developer/CoreSimulator/Caches/dyld"},
                           {vst, vstFolder}}));
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
             {"/Library/Containers/c/Data/Library/Application Support/D/p", 100 * MiB + 1},
             {vstFolder + "/Old.vst/bin", 1}},
            home);
        Scanner scanner(disk.fileSystem());
        QCOMPARE(described(QCoro::waitFor(scanner.scanAll({}))), disk.expected({{vst, vstFolder}}));
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
