#include "platform/FileSystem.h"
#include "platform/FreedBytes.h"
#include "platform/StopToken.h"
#include "scanner/ProjectSearch.h"
#include "scanner/ScanRun.h"
#include "support/FakeDisk.h"
#include "support/Trees.h"
#include "ui/WindowTexts.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#if defined(Q_OS_LINUX)
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#endif

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

const QString protectedText = QStringLiteral("Not removed: protected location");
const QString notPlainText = QStringLiteral("Not removed: not a plain absolute path");
const QString mountText = QStringLiteral("Not removed: mount point");

// A removal's outcome as the window words it; nothing when the item went.
std::optional<QString> shown(const std::optional<RemovalFailure>& failure) {
    return failure ? std::optional(WindowTexts::removalFailure(*failure)) : std::nullopt;
}

QByteArray bytes(const QString& path) {
    return QFile::encodeName(path);
}

void makeSocket(const QByteArray& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    QVERIFY(static_cast<size_t>(path.size()) < sizeof address.sun_path);
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.constData());
    QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

// A fake disk with things outside the target that a faulty removal could reach: a canary tree at
// the top, the user's documents, and a neighbouring cache.
struct Scene {
    Scene() {
        disk.writeFile(disk.home() + QStringLiteral("/Documents/keep.txt"), 10);
        disk.writeFile(disk.home() + QStringLiteral("/Library/Caches/neighbour/data"), 10);
        disk.makeFolder(QStringLiteral("/private/var/db"));
    }

    QString target() const { return disk.home() + QStringLiteral("/Library/Caches/target"); }
    // What the whole measure says a removal of the target frees.
    qint64 held() const {
        return fileSystem->allocatedSizeOfTree(target(), {}, SizeMeasure::whole);
    }
    QByteArray real(const QString& logical) const { return bytes(disk.real(logical)); }
    QByteArray realTarget() const { return real(target()); }
    QByteArray caches() const { return real(disk.home() + QStringLiteral("/Library/Caches")); }

    // Everything on the fake disk except the target (and any other named leftovers).
    QByteArray outside(QByteArrayList excluded = {}) const {
        excluded.append(bytes(target()));
        return treeFingerprint(bytes(disk.root()), excluded);
    }
    QByteArray everything() const { return treeFingerprint(bytes(disk.root())); }

    FakeDisk disk;
    QByteArray canary = makeCanary(disk);
    std::shared_ptr<FileSystem> fileSystem = disk.fileSystem();
};

using Build = std::function<void(Scene&)>;

// Open descriptors of this process, found by probing; used to bound what a removal may open.
int openDescriptors() {
    int count = 0;
    for (int fd = 0; fd < 1024; ++fd) {
        count += ::fcntl(fd, F_GETFD) != -1 ? 1 : 0;
    }
    return count;
}

} // namespace

Q_DECLARE_METATYPE(Build)

class RemovalTest : public QObject {
    Q_OBJECT

private slots:
    void refusesWhatNoCleanupMayRemove_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("empty") << "" << notPlainText;
        QTest::newRow("relative") << "Users/u/Library/Caches/target" << notPlainText;
        QTest::newRow("root") << "/" << protectedText;
        QTest::newRow("root written twice") << "//" << notPlainText;
        QTest::newRow("empty component") << "/Users/u/Library//Caches" << notPlainText;
        QTest::newRow("trailing slash") << "/Users/u/Library/Caches/target/" << notPlainText;
        QTest::newRow("dot") << "/Users/u/Library/Caches/./target" << notPlainText;
        QTest::newRow("dot dot back to documents")
            << "/Users/u/Library/Caches/target/../../../Documents" << notPlainText;
        QTest::newRow("ends in dot dot") << "/Users/u/Library/Caches/target/.." << notPlainText;
        QTest::newRow("NUL cutting the path to home")
            << QStringLiteral("/Users/u") + QChar(u'\0') + QStringLiteral("/Library/Caches/x")
            << notPlainText;
        QTest::newRow("text that cannot be encoded")
            << QStringLiteral("/Users/u/Library/Caches/") + QChar(0xD800) << notPlainText;
        // clang-format off
        const char* const protectedPaths[] = {
            "/Users/u", "/users/U", "/Users", "/Library", "/LIBRARY", "/usr", "/etc", "/var",
            "/private", "/tmp", "/home", "/canary", "/private/var", "/private/etc", "/private/tmp",
            "/usr/local", "/System/Volumes/Data", "/usr/bin", "/home/other", "/Users/u/Documents",
            "/USERS/U/Library", "/Users/u/Library/Caches/to-home/u",
            "/Users/u/Library/Caches/to-root/canary", "/Users/u/Library/Caches/to-system/var"};
        // clang-format on
        for (const char* path : protectedPaths) {
            QTest::newRow(path) << path << protectedText;
        }
    }
    void refusesWhatNoCleanupMayRemove() {
        QFETCH(QString, path);
        QFETCH(QString, refusal);
        Scene scene;
        // Links above an item can reach a protected folder by another name: the guard looks at
        // what a path reaches, not only at its text.
        const QString caches = scene.disk.home() + QStringLiteral("/Library/Caches/");
        scene.disk.makeLink(caches + "to-home", "../../..");
        scene.disk.makeLink(caches + "to-root", "../../../..");
        scene.disk.makeLink(caches + "to-system", "../../../../private");
        // Put something at every path that names an entry, so that a removal would show.
        if (path.startsWith(u'/') && !path.contains(QChar(u'\0')) && !path.contains(u"..") &&
            path != u"/" && !path.contains(QChar(0xD800))) {
            scene.disk.writeFile(path + QStringLiteral("/precious"), 10);
        }
        const QByteArray before = scene.everything();
        QCOMPARE(shown(scene.fileSystem->removeItem(path)), std::optional(refusal));
        QCOMPARE(scene.everything(), before);
    }

    // The home folder reached through links at two levels (/w/hl -> real/deep/homes and
    // /w/real -> store) really is /w/store/deep/homes/user: its real folders are protected
    // whatever name the path gives them.
    void homeBehindLinksIsProtected_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("real ancestor through the upper link") << "/w/real/deep";
        QTest::newRow("real ancestor by its own name") << "/w/store/deep";
        QTest::newRow("real parent of the home") << "/w/store/deep/homes";
        QTest::newRow("home by its real name") << "/w/store/deep/homes/user";
        QTest::newRow("directly in the home, by the real name") << "/w/store/deep/homes/user/Docs";
    }
    void homeBehindLinksIsProtected() {
        QFETCH(QString, path);
        const FakeDisk disk(QStringLiteral("/w/hl/user"));
        disk.writeFile(QStringLiteral("/w/store/deep/homes/user/Docs/keep.txt"), 10);
        disk.writeFile(QStringLiteral("/canary/file.txt"), 10);
        QVERIFY(QDir(disk.real(QStringLiteral("/w/hl"))).removeRecursively());
        disk.makeLink(QStringLiteral("/w/real"), QStringLiteral("store"));
        disk.makeLink(QStringLiteral("/w/hl"), QStringLiteral("real/deep/homes"));
        const QByteArray before = treeFingerprint(bytes(disk.root()));
        QCOMPARE(shown(disk.fileSystem()->removeItem(path)), std::optional(protectedText));
        QCOMPARE(treeFingerprint(bytes(disk.root())), before);
    }

    // A file system mounted at the item or inside it (a view of the canary, or a tmpfs), in a
    // child's private mount namespace that takes the mount with it: what is mounted is never
    // emptied, and a mount at the item refuses the whole item, saying why; a protected folder
    // that is mounted on is still refused as protected. One inside is neither measured nor
    // counted as freed.
    void mountsAreLeftAlone_data() {
        QTest::addColumn<QString>("item"); // below the home folder
        QTest::addColumn<QString>("at");
        QTest::addColumn<bool>("bind");
        QTest::addColumn<QString>("error");
        const QString target = QStringLiteral("/Library/Caches/target");
        QTest::newRow("bind mount at the item") << target << "" << true << mountText;
        QTest::newRow("tmpfs at the item") << target << "" << false << mountText;
        QTest::newRow("bind mount inside")
            << target << "/mounted" << true
            << "Device or resource busy: ~/Library/Caches/target/mounted";
        QTest::newRow("tmpfs inside") << target << "/mounted" << false
                                      << "Device or resource busy: ~/Library/Caches/target/mounted";
        QTest::newRow("bind mount directly in the home") << "/Mounted"
                                                         << "" << true << protectedText;
    }
    void mountsAreLeftAlone() {
#if !defined(Q_OS_LINUX)
        QSKIP("private mount namespaces are a Linux feature");
#else
        QFETCH(QString, item);
        QFETCH(QString, at);
        QFETCH(bool, bind);
        QFETCH(QString, error);
#if defined(KESTRELLE_PORTABLE_PLATFORM)
        if (bind) {
            QSKIP("a bind mount from the same disk is found only by Linux's statx mount-root flag");
        }
#endif
        Scene scene;
        const QString target = scene.disk.home() + item;
        scene.disk.makeFolder(target + at);
        scene.disk.writeFile(target + QStringLiteral("/goes"), 100);
        const QByteArray mountPoint = scene.real(target + at);
        const qint64 goes = FakeDisk::allocatedBytes(scene.disk.real(target + "/goes"));
        const QByteArray before = scene.outside({bytes(target)});
        const pid_t child = ::fork();
        if (child == 0) {
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount(bind ? scene.canary.constData() : "none", mountPoint.constData(),
                        bind ? nullptr : "tmpfs", bind ? MS_BIND : 0, nullptr) != 0) {
                ::_exit(77);
            }
            const QByteArray inside = mountPoint + (bind ? "/file.txt" : "/inside");
            ::close(::open(inside.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
            if (!bind) {
                writeRaw(mountPoint + "/data", QByteArray(10'000, 'm'));
            }
            const bool measured = at.isEmpty() || scene.fileSystem->allocatedSizeOfTree(
                                                      target, {}, SizeMeasure::whole) == goes;
            FreedBytes freed;
            const bool refused = shown(scene.fileSystem->removeItem(target, {}, &freed)) == error;
            const bool counted = freed.total() == (at.isEmpty() ? 0 : goes);
            ::_exit((refused ? 0 : 1) | (entryExists(inside) ? 0 : 2) |
                    (measured && counted ? 0 : 4));
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
            QSKIP("no permission to mount here");
        }
        // 1 << 8: wrong answer; 2 << 8: what was mounted lost its contents; 4 << 8: it counted
        QCOMPARE(status, 0);
        QCOMPARE(entryExists(scene.real(target) + "/goes"), at.isEmpty());
        QCOMPARE(scene.outside({bytes(target)}), before);
#endif
    }

    // Whatever the item is, it goes and nothing outside changes: links (at the top or below,
    // relative or absolute, to the canary, the home or the fake disk's root), hard links, FIFOs
    // and sockets are unlinked as entries of their own, never followed or opened. What it frees
    // is what the whole measure said (a folder swapped for a link since it was measured frees
    // nothing).
    void removesEveryKindOfItem_data() {
        QTest::addColumn<Build>("build");
        const auto link = [](const char* target) {
            return Build([target](Scene& s) {
                s.disk.makeLink(s.target(), QFile::decodeName(s.canary + target));
            });
        };
        QTest::newRow("file") << Build([](Scene& s) { s.disk.writeFile(s.target(), 3000); });
        QTest::newRow("empty folder") << Build([](Scene& s) { s.disk.makeFolder(s.target()); });
        QTest::newRow("link to a folder outside: only the link goes") << link("");
        QTest::newRow("link to a file outside") << link("/file.txt");
        QTest::newRow("dangling link") << link("/nowhere/at/all");
        QTest::newRow("FIFO, never opened")
            << Build([](Scene& s) { QCOMPARE(::mkfifo(s.realTarget().constData(), 0644), 0); });
        QTest::newRow("socket") << Build([](Scene& s) { makeSocket(s.realTarget()); });
#if defined(Q_OS_LINUX)
        // Offered by a scan as a project's build folder (the caches folder holds a Cargo.toml),
        // then a link to the canary in its place before the cleanup.
        QTest::newRow("build folder swapped for a link after the scan") << Build([](Scene& s) {
            s.disk.writeFile(s.disk.home() + QStringLiteral("/Library/Caches/Cargo.toml"), 10);
            s.disk.writeFile(s.target() + QStringLiteral("/debug/app"), 3000);
            ScanRun run(s.fileSystem);
            const auto found = QCoro::waitFor(scanProjectBuildFolders(run, s.disk.home(), {}));
            QVERIFY(found.size() == 1 && found.first().path == s.target());
            QVERIFY(QDir(s.disk.real(s.target())).removeRecursively());
            s.disk.makeLink(s.target(), QFile::decodeName(s.canary));
        });
#endif
        QTest::newRow("tree of links and special files") << Build([](Scene& s) {
            const QString t = s.target();
            const QByteArray real = s.realTarget();
            s.disk.writeFile(t + QStringLiteral("/own/.hidden/file"), 2000);
            s.disk.makeFolder(t + QStringLiteral("/own/empty"));
            s.disk.makeLink(t + QStringLiteral("/own/to-canary"), QFile::decodeName(s.canary));
            s.disk.makeLink(t + QStringLiteral("/relative-up"),
                            QStringLiteral("../../../../../canary"));
            s.disk.makeLink(t + QStringLiteral("/to-home"),
                            QFile::decodeName(s.real(s.disk.home())));
            s.disk.makeLink(t + QStringLiteral("/to-root"), s.disk.root());
            s.disk.makeLink(t + QStringLiteral("/own/loop"), QStringLiteral("loop"));
            QCOMPARE(
                ::link((s.canary + "/sub/deep.bin").constData(), (real + "/hard-link").constData()),
                0);
            s.disk.makeHardLink(t + QStringLiteral("/own/again"),
                                t + QStringLiteral("/own/.hidden/file"));
            QCOMPARE(::mkfifo((real + "/own/fifo").constData(), 0644), 0);
            makeSocket(real + "/socket");
        });
        QTest::newRow("names that shells and text mangle") << Build([](Scene& s) {
            const QByteArray real = s.realTarget();
            s.disk.makeFolder(s.target());
            for (const QByteArray& name :
                 QByteArrayList{"new\nline", "tab\there", "quo\"te", "it's", "$HOME", "`id`", "-rf",
                                "--", "*", " space", "back\\slash", "..dots", "\xff\xfe bad",
                                "caf\xc3\xa9", QByteArray(255, 'n')}) {
                writeRaw(real + '/' + name);
                QCOMPARE(::mkdir((real + '/' + name.left(250) + "-d").constData(), 0755), 0);
                writeRaw(real + '/' + name.left(250) + "-d/" + name);
            }
        });
    }
    void removesEveryKindOfItem() {
        QFETCH(Build, build);
        Scene scene;
        build(scene);
        const QByteArray before = scene.outside();
        const qint64 held = scene.held();
        FreedBytes freed;
        QCOMPARE(shown(scene.fileSystem->removeItem(scene.target(), {}, &freed)), std::nullopt);
        QVERIFY(!entryExists(scene.realTarget()));
        QCOMPARE(scene.outside(), before);
        QCOMPARE(freed.total(), held);
    }

    // Wide trees and trees of 300 levels of 200-character names (some 60,000 bytes of path, far
    // beyond PATH_MAX) go with any number of threads, within a small budget of descriptors.
    void largeTreesGoWithFewDescriptors_data() {
        QTest::addColumn<bool>("deep");
        QTest::addColumn<int>("threads");
        QTest::newRow("deep, one thread") << true << 1;
        QTest::newRow("deep, four threads") << true << 4;
        QTest::newRow("wide, one thread") << false << 1;
        QTest::newRow("wide, two threads") << false << 2;
        QTest::newRow("wide, eight threads") << false << 8;
    }
    void largeTreesGoWithFewDescriptors() {
        QFETCH(bool, deep);
        QFETCH(int, threads);
        Scene scene;
        scene.disk.makeFolder(scene.target());
        if (deep) {
            makeDeepTree(scene.realTarget(), 300, 200, scene.canary);
        } else {
            makeWideTree(scene.realTarget(), 40, 60, true);
            // So many files in one folder are shared out among the threads; the links among
            // them lead to the canary, which must keep everything, and the hard links to one
            // file, which threads may unlink at once, free it once.
            for (int i = 0; i < 2000; ++i) {
                const QByteArray entry = scene.realTarget() + "/flat-" + QByteArray::number(i);
                if (i % 100 == 0) {
                    QCOMPARE(::symlink(scene.canary.constData(), entry.constData()), 0);
                } else if (i % 10 == 0) {
                    QCOMPARE(
                        ::link((scene.realTarget() + "/flat-1").constData(), entry.constData()), 0);
                } else {
                    writeRaw(entry, QByteArray(5000, 'f'));
                }
            }
        }
        const qint64 held = scene.held();
        struct rlimit limit {};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
        const auto restore = qScopeGuard([limit] { ::setrlimit(RLIMIT_NOFILE, &limit); });
        struct rlimit tight = limit;
        tight.rlim_cur = static_cast<rlim_t>(openDescriptors() + 64);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);

        const QByteArray before = scene.outside();
        FreedBytes freed;
        QCOMPARE(removeWithThreads(scene.caches(), "target", threads, {}, &freed), 0);
        QVERIFY(!entryExists(scene.realTarget()));
        QCOMPARE(scene.outside(), before);
        QCOMPARE(freed.total(), held);
    }

    // A stop ends the removal between entries: it reports ECANCELED, what it had not reached is
    // still there, nothing outside the item is touched, and what went is counted.
    void stopLeavesTheRestInPlace_data() {
        QTest::addColumn<bool>("underWay");
        QTest::addColumn<int>("threads");
        QTest::newRow("asked before it starts") << false << 4;
        QTest::newRow("asked once folders are going, one thread") << true << 1;
        QTest::newRow("asked once folders are going, four threads") << true << 4;
    }
    void stopLeavesTheRestInPlace() {
        QFETCH(bool, underWay);
        QFETCH(int, threads);
        Scene scene;
        const QByteArray target = scene.realTarget();
        constexpr int folders = 100;
        scene.disk.makeFolder(scene.target());
        makeWideTree(target, folders, 50);
        const QByteArray before = scene.outside();
        const QByteArray whole = scene.everything();
        const qint64 held = scene.held();
        FreedBytes freed;
        const auto foldersLeft = [&] {
            int left = 0;
            for (int i = 0; i < folders; ++i) {
                left += entryExists(target + "/d" + QByteArray::number(i)) ? 1 : 0;
            }
            return left;
        };
        const StopToken stop = StopToken::stoppable();
        if (!underWay) {
            stop.requestStop();
        }
        std::atomic<int> error{-1};
        std::thread removal(
            [&] { error = removeWithThreads(scene.caches(), "target", threads, stop, &freed); });
        // Asked as soon as the first folder is gone, long before the last can go.
        while (underWay && error.load() < 0 && foldersLeft() == folders) {
            std::this_thread::yield();
        }
        stop.requestStop();
        removal.join();

        QCOMPARE(error.load(), ECANCELED);
        QVERIFY(entryExists(target));
        if (underWay) {
            QVERIFY(foldersLeft() < folders);
            QVERIFY(foldersLeft() > 0);
        } else {
            QCOMPARE(scene.everything(), whole);
        }
        QCOMPARE(scene.outside(), before);
        QCOMPARE(freed.total(), held - scene.held());
        // The same item, asked again without a stop, goes whole.
        QCOMPARE(shown(scene.fileSystem->removeItem(scene.target())), std::nullopt);
        QVERIFY(!entryExists(target));
    }

    // While the removal runs, another thread keeps exchanging folders (the item's own, or ones
    // inside it) with links to the canary. Whatever the removal meets, the canary stays whole.
    void foldersSwappedForLinksWhileRemoving_data() {
        QTest::addColumn<bool>("swapItself");
        QTest::newRow("folders inside the item") << false;
        QTest::newRow("the item itself") << true;
    }
    void foldersSwappedForLinksWhileRemoving() {
#if !defined(Q_OS_LINUX)
        QSKIP("needs an atomic exchange of two names (renameat2)");
#else
        QFETCH(bool, swapItself);
        Scene scene;
        const QByteArray target = scene.realTarget();
        const QByteArray swapped = target + "-swapped";
        const QByteArrayList leftAside{swapped.mid(bytes(scene.disk.root()).size())};
        const QByteArray before = scene.outside(leftAside);
        for (int round = 0; round < 12; ++round) {
            QByteArrayList pairs;
            scene.disk.makeFolder(scene.target());
            makeWideTree(target, 24, 30, true);
            for (int i = 0; i < 24; ++i) {
                const QByteArray link = target + "/l" + QByteArray::number(i);
                QCOMPARE(::symlink(scene.canary.constData(), link.constData()), 0);
                pairs << target + "/d" + QByteArray::number(i) << link;
            }
            if (swapItself) {
                QCOMPARE(::symlink(scene.canary.constData(), swapped.constData()), 0);
                pairs = {target, swapped};
            }

            std::atomic<bool> stop = false;
            std::thread racer([&] {
                while (!stop.load()) {
                    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
                        ::renameat2(AT_FDCWD, pairs[i].constData(), AT_FDCWD,
                                    pairs[i + 1].constData(), RENAME_EXCHANGE);
                    }
                }
            });
            scene.fileSystem->removeItem(scene.target());
            stop = true;
            racer.join();

            QCOMPARE(scene.outside(leftAside), before);
            // Whatever is left of the round goes before the next one.
            for (const QByteArray& leftover : {target, swapped}) {
                if (QFileInfo(QFile::decodeName(leftover)).isSymLink()) {
                    QCOMPARE(::unlink(leftover.constData()), 0);
                } else if (entryExists(leftover)) {
                    QVERIFY(QDir(QFile::decodeName(leftover)).removeRecursively());
                }
            }
            QVERIFY(!entryExists(target));
        }
#endif
    }

    // An immutable file is what a removal cannot get past, even as root: the first error is
    // reported, naming that file, and everything else still goes and is counted.
    void immutableFileFailsPartwayAndKeepsGoing() {
        Scene scene;
        const QString locked = scene.target() + QStringLiteral("/m/locked");
        for (const char* file : {"/m/locked/stays", "/m/locked/goes", "/a/goes", "/z/goes"}) {
            scene.disk.writeFile(scene.target() + QLatin1String(file), 100);
        }
        const QByteArray stays = scene.real(locked + QStringLiteral("/stays"));
        if (!setImmutable(stays, true)) {
            QSKIP("this file system or user cannot make files immutable");
        }
        const auto release = qScopeGuard([&] { setImmutable(stays, false); });

        const QByteArray before = scene.outside();
        const qint64 held = scene.held();
        FreedBytes freed;
        QCOMPARE(shown(scene.fileSystem->removeItem(scene.target(), {}, &freed)),
                 std::optional(QStringLiteral(
                     "Operation not permitted: ~/Library/Caches/target/m/locked/stays")));
        QCOMPARE(freed.total(), held - scene.held());
        QVERIFY(entryExists(stays));
        for (const char* gone : {"/a", "/z", "/m/locked/goes"}) {
            QVERIFY2(!entryExists(scene.real(scene.target() + QLatin1String(gone))), gone);
        }
        QCOMPARE(scene.outside(), before);
    }

    void missingItemIsAnError() {
        Scene scene;
        QCOMPARE(shown(scene.fileSystem->removeItem(scene.target())),
                 std::optional(QStringLiteral("No such file or directory")));
    }

    void createDirectoryMakesEveryMissingFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("created");
        QTest::newRow("with intermediates") << "/Users/u/Library/Caches/new/a/b" << true;
        QTest::newRow("already there") << "/Users/u/Documents" << true;
        QTest::newRow("below a file") << "/Users/u/Documents/keep.txt/x" << false;
        QTest::newRow("where a file is") << "/Users/u/Documents/keep.txt" << false;
        QTest::newRow("relative") << "Users/u/x" << false;
    }
    void createDirectoryMakesEveryMissingFolder() {
        QFETCH(QString, path);
        QFETCH(bool, created);
        Scene scene;
        QCOMPARE(scene.fileSystem->createDirectory(path), created);
        QCOMPARE(QFileInfo(scene.disk.real(path)).isDir(), created);
    }
};

QTEST_GUILESS_MAIN(RemovalTest)
#include "tst_removal.moc"
