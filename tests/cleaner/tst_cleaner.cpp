#include "cleaner/Cleaner.h"
#include "platform/FileSystem.h"
#include "platform/FreedBytes.h"
#include "platform/ProcessLauncher.h"
#include "platform/StopToken.h"
#include "support/FakeDisk.h"
#include "support/Fixtures.h"
#include "support/Trees.h"
#include "ui/WindowTexts.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QScopeGuard>
#include <QSet>
#include <QTest>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <utility>

namespace {

// The run's failures as the window words them.
QStringList failureLines(const CleanupResult& result) {
    QStringList lines;
    for (const CleanupFailure& failure : result.errors) {
        lines.append(WindowTexts::cleanupFailure(failure));
    }
    return lines;
}

// What the stand-ins for the disk and the shell were asked to do, in order, and on which threads.
class Journal {
public:
    void note(const QString& event) {
        {
            QMutexLocker lock(&m_mutex);
            // Which progress report the event loop had delivered when the item was treated.
            m_events.append(event + QStringLiteral(" @%1").arg(delivered.load()));
        }
        onGuiThread = onGuiThread || QThread::currentThread() == qApp->thread();
        if (event == stopOn) {
            stop.requestStop();
        }
    }
    QStringList events() const {
        QMutexLocker lock(&m_mutex);
        return m_events;
    }
    std::atomic<int> delivered{-1};
    std::atomic<bool> onGuiThread{false};
    // Asks `stop` to stop when this event (or progress report "report <i>") comes.
    QString stopOn;
    const StopToken stop = StopToken::stoppable();

private:
    mutable QMutex m_mutex;
    QStringList m_events;
};

// The real file system of a fake disk, watched, with removals and folder creation that can be
// made to fail, and one removal that frees its bytes in steps, each after the window has been
// told of the one before.
struct SpyFileSystem final : FileSystem {
    SpyFileSystem(const FakeDisk& disk, Journal& journal)
        : FileSystem(QFile::encodeName(disk.root()), disk.home())
        , m_journal(journal) {}

    bool fileExists(const QString& path) const override {
        m_journal.note(QStringLiteral("exists ") + path);
        return FileSystem::fileExists(path);
    }
    std::optional<RemovalFailure> removeItem(const QString& path, const StopToken& stop,
                                             FreedBytes* freed) const override {
        m_journal.note(QStringLiteral("remove ") + path);
        if (failingRemovals.contains(path)) {
            return RemovalFailure{.error = EACCES};
        }
        if (path == stepwise) {
            for (int step = 1; step <= 3; ++step) {
                freed->add(1000);
                const QDeadlineTimer deadline(20'000);
                while (m_journal.delivered.load() < step && !deadline.hasExpired()) {
                    QThread::msleep(1);
                }
            }
            return stop.stopRequested() ? std::optional(RemovalFailure{.error = ECANCELED})
                                        : std::nullopt;
        }
        return FileSystem::removeItem(path, stop, freed);
    }
    bool createDirectory(const QString& path,
                         const std::optional<FolderAttributes>& as) const override {
        m_journal.note(QStringLiteral("create ") + path);
        return !failCreation && FileSystem::createDirectory(path, as);
    }

    QSet<QString> failingRemovals;
    QString stepwise;
    bool failCreation = false;
    Journal& m_journal;
};

struct FakeLauncher final : ProcessLauncher {
    explicit FakeLauncher(Journal& journal)
        : m_journal(journal) {}

    bool runShellCommand(const QString& line) const override {
        m_journal.note(QStringLiteral("run ") + line);
        return !failing.contains(line);
    }

    QSet<QString> failing;
    Journal& m_journal;
};

// What is at the target before the run: a folder (a private one, a group-shared one with setgid
// and sticky, one that another user owns), nothing, or a link.
enum class OnDisk {
    folder,
    privateFolder,
    sharedFolder,
    othersFolder,
    missing,
    linkToCanary,
    danglingLink
};
enum class After { untouched, gone, emptyFolder, lockedFileOnly };

using Report = std::pair<QString, double>; // name, fraction

// A fake disk and a Cleaner whose disk and shell are watched.
struct Bench {
    Bench() { makeCanary(disk); }

    QString cache(const QString& name) const {
        return disk.home() + QStringLiteral("/Library/Caches/") + name;
    }
    QByteArray real(const QString& logical) const { return QFile::encodeName(disk.real(logical)); }

    // A folder of a few files at `path`.
    void fill(const QString& path) const {
        disk.writeFile(path + QStringLiteral("/a.bin"), 5000);
        disk.writeFile(path + QStringLiteral("/nested/b.bin"), 7000);
    }

    QByteArray fingerprint(const QByteArrayList& excluded = {}) const {
        return treeFingerprint(QFile::encodeName(disk.root()), excluded);
    }
    // What a removal of the folder frees, as the whole measure says.
    qint64 held(const QString& path) const {
        return fileSystem->allocatedSizeOfTree(path, {}, SizeMeasure::whole);
    }

    CleanupResult clean(const QList<FolderItem>& items) {
        return QCoro::waitFor(cleaner.clean(
            items,
            [this](const QString& name, double fraction) {
                if (journal.stopOn == QStringLiteral("report %1").arg(reports.size())) {
                    journal.stop.requestStop();
                }
                reports.append({name, fraction});
                // Stands for the window's repaint: queued work that must be done before the item is
                // treated. It takes a while, so that a treatment started early cannot miss it.
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [this, index = static_cast<int>(reports.size()) - 1] {
                        QThread::msleep(20);
                        journal.delivered = index;
                    },
                    Qt::QueuedConnection);
            },
            journal.stop));
    }

    FakeDisk disk;
    Journal journal;
    std::shared_ptr<SpyFileSystem> fileSystem = std::make_shared<SpyFileSystem>(disk, journal);
    std::shared_ptr<FakeLauncher> launcher = std::make_shared<FakeLauncher>(journal);
    Cleaner cleaner{fileSystem, launcher};
    QList<Report> reports;
};

} // namespace

Q_DECLARE_METATYPE(ItemFields)
Q_DECLARE_METATYPE(OnDisk)
Q_DECLARE_METATYPE(After)

class CleanerTest : public QObject {
    Q_OBJECT

private slots:
    // One selected item through each row of the decision order: administrator list, command,
    // existence, removal, re-creation.
    void eachItemIsTreatedInDecisionOrder_data() {
        QTest::addColumn<ItemFields>("row");
        QTest::addColumn<OnDisk>("onDisk");
        // "creation", "command", "locked" (an immutable file inside) or empty
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("succeeded");
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<After>("after");

        const QString path = QStringLiteral("/Users/u/Library/Caches/target");
        const QString exists = "exists " + path + " @0";
        const QString remove = "remove " + path + " @0";
        const QString create = "create " + path + " @0";
        const QString run = QStringLiteral("run clear-cache --all @0");
        // The recorded size differs from what the folder holds on disk: a command adds the recorded
        // one, a removal what it freed.
        const auto target = [&](bool recreate, std::optional<QString> command = std::nullopt,
                                bool sudo = false) {
            return ItemFields{.name = "Target Cache",
                              .path = path,
                              .bytes = 1234,
                              .policy = {.isSelected = true,
                                         .recreateFolderAfterDelete = recreate,
                                         .requiresSudo = sudo},
                              .command = command};
        };
        const auto command = std::optional(QStringLiteral("clear-cache --all"));
        const auto row = [](const char* name, const ItemFields& fields, OnDisk onDisk,
                            const QString& failure, bool succeeded, const QStringList& errors,
                            const QStringList& asked, After after) {
            QTest::newRow(name) << fields << onDisk << failure << succeeded << errors << asked
                                << after;
        };
        using D = OnDisk;
        using A = After;
        row("administrator item: listed, its command never run", target(true, command, true),
            D::folder, {}, false, {}, {}, A::untouched);
        row("command succeeds: size counted, path and re-creation not looked at",
            target(true, command), D::folder, {}, true, {}, {run}, A::untouched);
        row("command fails", target(true, command), D::folder, "command", false,
            {"Failed command: clear-cache --all"}, {run}, A::untouched);
        // No engine answers here: a prune that fails is reported like any command.
        const auto prune = std::optional(QStringLiteral("docker builder prune --all --force"));
        row("engine prune fails", target(false, prune), D::folder, "command", false,
            {"Failed command: " + *prune}, {"run " + *prune + " @0"}, A::untouched);
        row("empty command: removed like any item", target(false, QString()), D::folder, {}, true,
            {}, {exists, remove}, A::gone);
        row("removed and made again empty", target(true), D::folder, {}, true, {},
            {exists, remove, create}, A::emptyFolder);
        row("private cache made again private", target(true), D::privateFolder, {}, true, {},
            {exists, remove, create}, A::emptyFolder);
        row("group-shared cache keeps setgid and sticky whatever the umask", target(true),
            D::sharedFolder, {}, true, {}, {exists, remove, create}, A::emptyFolder);
        row("another user's cache cleaned by root comes back theirs", target(true), D::othersFolder,
            {}, true, {}, {exists, remove, create}, A::emptyFolder);
        row("folder that cannot be made again: ignored", target(true), D::folder, "creation", true,
            {}, {exists, remove, create}, A::gone);
        row("nothing at the path: skipped without a word", target(true), D::missing, {}, false, {},
            {exists}, A::gone);
        row("dangling link: nothing exists there", target(false), D::danglingLink, {}, false, {},
            {exists}, A::untouched);
        row("removal stops part-way: named, not made again, what went counted", target(true),
            D::folder, "locked", false,
            {"Target Cache: Operation not permitted: ~/Library/Caches/target/a.bin"},
            {exists, remove}, A::lockedFileOnly);
        row("folder swapped for a link outside: only the link goes, freeing nothing", target(false),
            D::linkToCanary, {}, true, {}, {exists, remove}, A::gone);
        row("the home folder is never removed",
            {.name = "Home", .path = "/Users/u", .policy = {.isSelected = true}}, D::folder, {},
            false, {"Home: Not removed: protected location"},
            {"exists /Users/u @0", "remove /Users/u @0"}, A::untouched);
    }
    void eachItemIsTreatedInDecisionOrder() {
        QFETCH(ItemFields, row);
        QFETCH(OnDisk, onDisk);
        QFETCH(QString, failure);
        QFETCH(bool, succeeded);
        QFETCH(QStringList, errors);
        QFETCH(QStringList, asked);
        QFETCH(After, after);

        Bench bench;
        const QByteArray real = bench.real(row.path);
        if (onDisk == OnDisk::othersFolder && ::geteuid() != 0) {
            QSKIP("only root can give a folder to another user");
        }
        if (onDisk <= OnDisk::othersFolder) {
            bench.fill(row.path);
            const mode_t modes[] = {0755, 0700, 03770, 0755};
            QCOMPARE(::chmod(real.constData(), modes[int(onDisk)]), 0);
            QCOMPARE(onDisk == OnDisk::othersFolder ? ::chown(real.constData(), 65534, 65534) : 0,
                     0);
        } else if (onDisk != OnDisk::missing) {
            bench.disk.makeLink(row.path, onDisk == OnDisk::danglingLink
                                              ? QStringLiteral("/nowhere")
                                              : bench.disk.real(QStringLiteral("/canary")));
        }
        const QByteArray locked = bench.real(row.path + QStringLiteral("/a.bin"));
        const bool locking = failure == u"locked";
        if (locking && !setImmutable(locked, true)) {
            QSKIP("this file system or user cannot make files immutable");
        }
        const auto release = qScopeGuard([&] {
            if (locking) {
                setImmutable(locked, false);
            }
        });
        bench.fileSystem->failCreation = failure == u"creation";
        if (failure == u"command") {
            bench.launcher->failing.insert(*row.command);
        }
        const QByteArray target = QFile::encodeName(row.path);
        struct stat was {};
        ::lstat(real.constData(), &was);
        const QByteArray outsideBefore = bench.fingerprint({target});
        const QByteArray targetBefore = bench.fingerprint();
        const qint64 held = bench.held(row.path);

        const CleanupResult result = bench.clean({item(row)});

        const bool ran = succeeded && !row.command.value_or(QString()).isEmpty();
        QCOMPARE(result.totalFreed, (ran ? row.bytes : 0) + held - bench.held(row.path));
        QCOMPARE(result.succeededCount, succeeded ? 1 : 0);
        QCOMPARE(result.failedCount, errors.size());
        QCOMPARE(failureLines(result), errors);
        QCOMPARE(result.sudoCommandsRequired,
                 row.policy.requiresSudo ? QStringList{row.path} : QStringList{});
        QCOMPARE(bench.journal.events(), asked);
        QCOMPARE(bench.reports, (QList<Report>{{row.name, 0.0}}));
        QCOMPARE(bench.fingerprint({target}), outsideBefore);
        switch (after) {
        case After::untouched:
            QCOMPARE(bench.fingerprint(), targetBefore);
            break;
        case After::gone:
            QVERIFY(!entryExists(bench.real(row.path)));
            break;
        case After::lockedFileOnly:
            QVERIFY(entryExists(locked));
            QVERIFY(!entryExists(bench.real(row.path + QStringLiteral("/nested"))));
            break;
        case After::emptyFolder: {
            // Made again as it was, so that its tool can go on using it.
            struct stat is {};
            QCOMPARE(::lstat(real.constData(), &is), 0);
            QVERIFY(S_ISDIR(is.st_mode));
            QCOMPARE(is.st_mode, was.st_mode);
            QCOMPARE(std::pair(is.st_uid, is.st_gid), std::pair(was.st_uid, was.st_gid));
            QVERIFY(QDir(bench.disk.real(row.path))
                        .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                 QDir::NoDotAndDotDot));
            break;
        }
        }
    }

    // A whole run: selected items only, in list order, one at a time off the GUI thread, each
    // after its own progress report has been delivered; failures do not stop the run.
    void runGoesThroughTheSelectionInOrder() {
        Bench bench;
        const QString aax = QStringLiteral("/Library/Application Support/Avid/Audio/Plug-Ins");
        const QString vst = QStringLiteral("/Library/Audio/Plug-Ins/VST");
        const auto cache = [&](const char* name) { return bench.cache(QLatin1String(name)); };
        const QList<FolderItem> items{
            item({.name = "A", .path = cache("a")}),
            item(
                {.name = "AAX", .path = aax, .policy = {.isSelected = true, .requiresSudo = true}}),
            item({.name = "F",
                  .path = cache("f"),
                  .policy = {.isSelected = true},
                  .command = "fail"}),
            item({.name = "B", .path = cache("b")}),
            item({.name = "C", .path = cache("c"), .policy = {.isSelected = true}}),
            item({.name = "D",
                  .path = cache("d"),
                  .policy = {.isSelected = true, .recreateFolderAfterDelete = true}}),
            item(
                {.name = "VST", .path = vst, .policy = {.isSelected = true, .requiresSudo = true}}),
            item({.name = "E",
                  .path = cache("e"),
                  .bytes = 20,
                  .policy = {.isSelected = true},
                  .command = "ok"}),
            item({.name = "M", .path = cache("missing"), .policy = {.isSelected = true}}),
        };
        for (const char* name : {"a", "b", "c", "d", "e", "f"}) {
            bench.fill(cache(name));
        }
        bench.fill(aax);
        bench.fill(vst);
        bench.fileSystem->failingRemovals.insert(cache("c"));
        bench.launcher->failing.insert(QStringLiteral("fail"));
        const QString d = cache("d");
        const QByteArray untouched = bench.fingerprint({QFile::encodeName(d)});
        const qint64 dHeld = bench.held(d);

        const CleanupResult result = bench.clean(items);

        QList<Report> reports;
        for (const char* name : {"AAX", "F", "C", "D", "VST", "E", "M"}) {
            reports.append({name, double(reports.size()) / 7});
        }
        QCOMPARE(bench.reports, reports);
        const QString c = cache("c");
        const QString missing = cache("missing");
        QCOMPARE(bench.journal.events(),
                 (QStringList{"run fail @1", "exists " + c + " @2", "remove " + c + " @2",
                              "exists " + d + " @3", "remove " + d + " @3", "create " + d + " @3",
                              "run ok @5", "exists " + missing + " @6"}));
        QVERIFY(!bench.journal.onGuiThread);

        QCOMPARE(result.totalFreed, dHeld + 20); // D removed, E's command
        QCOMPARE(result.succeededCount, qsizetype(2));
        QCOMPARE(result.failedCount, qsizetype(2));
        QCOMPARE(failureLines(result), (QStringList{QStringLiteral("Failed command: fail"),
                                                    QStringLiteral("C: Permission denied")}));
        QCOMPARE(result.sudoCommandsRequired, (QStringList{aax, vst}));

        // Only the one cache removed is touched, and it is made again empty.
        QCOMPARE(bench.fingerprint({QFile::encodeName(d)}), untouched);
        QVERIFY(QDir(bench.disk.real(d))
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    // After a stop no item is started; an item stopped part-way is left as it is (not made
    // again) and counts for what its removal freed; a command under way is waited for and counts.
    void stopEndsTheRunAtASafePoint_data() {
        QTest::addColumn<QString>("stopOn");
        QTest::addColumn<int>("reported");
        QTest::addColumn<bool>("aRemoved");
        QTest::addColumn<bool>("commandRan");
        QTest::newRow("before the second item") << "report 1" << 2 << true << false;
        QTest::newRow("while the first item is removed") << "remove A" << 1 << false << false;
        QTest::newRow("while a command runs") << "run ok-it" << 2 << true << true;
    }
    void stopEndsTheRunAtASafePoint() {
        QFETCH(QString, stopOn);
        QFETCH(int, reported);
        QFETCH(bool, aRemoved);
        QFETCH(bool, commandRan);
        Bench bench;
        const QString a = bench.cache(QStringLiteral("A"));
        const QString c = bench.cache(QStringLiteral("c"));
        bench.fill(a);
        bench.fill(c);
        const qint64 aHeld = bench.held(a);
        bench.journal.stopOn = stopOn == QStringLiteral("remove A") ? "remove " + a : stopOn;
        const QByteArray outside = bench.fingerprint({QFile::encodeName(a)});

        const CleanupResult result = bench.clean(
            {item({.name = "A",
                   .path = a,
                   .bytes = 10,
                   .policy = {.isSelected = true, .recreateFolderAfterDelete = true}}),
             item({.name = "B",
                   .bytes = 20,
                   .policy = {.isSelected = true},
                   .command = QStringLiteral("ok-it")}),
             item({.name = "C", .path = c, .bytes = 40, .policy = {.isSelected = true}})});

        QCOMPARE(bench.reports.size(), reported);
        QCOMPARE(result.totalFreed, (aRemoved ? aHeld : 0) + (commandRan ? 20 : 0));
        QCOMPARE(result.succeededCount, qsizetype(int(aRemoved) + int(commandRan)));
        QVERIFY(result.errors.isEmpty());
        // Either gone and made again empty, or left whole.
        QCOMPARE(entryExists(bench.real(a + QStringLiteral("/a.bin"))), !aRemoved);
        QVERIFY(entryExists(bench.real(a)));
        QCOMPARE(bench.fingerprint({QFile::encodeName(a)}), outside);
        const QStringList events = bench.journal.events();
        QVERIFY(std::none_of(events.begin(), events.end(),
                             [&c](const QString& event) { return event.contains(c); }));
    }

    // While a removal runs, the bar moves with the bytes it has freed of the recorded size, a few
    // times a second; what the removal counted is what counts, whether it ends or is stopped.
    void progressWithinAnItem_data() {
        QTest::addColumn<bool>("stopped");
        QTest::newRow("removed") << false;
        QTest::newRow("stopped part-way") << true;
    }
    void progressWithinAnItem() {
        QFETCH(bool, stopped);
        Bench bench;
        const QString big = bench.cache(QStringLiteral("big"));
        bench.fill(big);
        bench.fileSystem->stepwise = big;
        bench.journal.stopOn = stopped ? QStringLiteral("report 3") : QString();

        const CleanupResult result = bench.clean(
            {item({.name = "Big", .path = big, .bytes = 4000, .policy = {.isSelected = true}}),
             item({.name = "Next", .bytes = 20, .policy = {.isSelected = true}, .command = "ok"})});

        QList<Report> reports{{"Big", 0}, {"Big", 0.125}, {"Big", 0.25}, {"Big", 0.375}};
        if (!stopped) {
            reports.append({"Next", 0.5});
        }
        QCOMPARE(bench.reports, reports);
        QCOMPARE(result.totalFreed, stopped ? 3000 : 3020);
        QCOMPARE(result.succeededCount, stopped ? 0 : 2);
        QVERIFY(result.errors.isEmpty());
    }
};

QTEST_GUILESS_MAIN(CleanerTest)
#include "tst_cleaner.moc"
