#include "TreeFingerprint.h"
#include "platform/FileSystem.h"
#include "platform/StopToken.h"
#include "platform/TreeRemover.h"
#include "support/FakeDisk.h"

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
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#endif

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <thread>

namespace {

const QString protectedText = QStringLiteral("Not removed: protected location");
const QString notPlainText = QStringLiteral("Not removed: not a plain absolute path");

QByteArray bytes(const QString& path) {
    return QFile::encodeName(path);
}

void writeRaw(const QByteArray& path, const QByteArray& content = "data") {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    QVERIFY2(fd >= 0, path.constData());
    QCOMPARE(::write(fd, content.constData(), static_cast<size_t>(content.size())),
             static_cast<ssize_t>(content.size()));
    ::close(fd);
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
class Scene {
public:
    Scene() {
        m_disk.writeFile(QStringLiteral("/canary/file.txt"), 100);
        m_disk.writeFile(QStringLiteral("/canary/sub/deep.bin"), 5000);
        m_disk.makeFolder(QStringLiteral("/canary/empty"));
        QCOMPARE(::mkfifo(real("/canary/fifo").constData(), 0644), 0);
        m_disk.writeFile(m_disk.home() + QStringLiteral("/Documents/keep.txt"), 10);
        m_disk.writeFile(m_disk.home() + QStringLiteral("/Library/Caches/neighbour/data"), 10);
        m_disk.makeFolder(QStringLiteral("/private/var/db"));
    }

    const FakeDisk& disk() const { return m_disk; }
    FileSystem& fileSystem() { return *m_fileSystem; }
    QString target() const { return m_disk.home() + QStringLiteral("/Library/Caches/target"); }
    QByteArray real(const QString& logical) const { return bytes(m_disk.real(logical)); }
    QByteArray real(const char* logical) const { return real(QString::fromUtf8(logical)); }
    QByteArray realTarget() const { return real(target()); }
    // Where the canary lives on the real disk, for links that point at it from inside the target.
    QByteArray canary() const { return real("/canary"); }

    // Everything on the fake disk except the target (and any other named leftovers).
    QByteArray outside(QByteArrayList excluded = {}) const {
        excluded.append(bytes(target()));
        return treeFingerprint(bytes(m_disk.root()), excluded);
    }
    QByteArray everything() const { return treeFingerprint(bytes(m_disk.root())); }

private:
    FakeDisk m_disk;
    std::shared_ptr<FileSystem> m_fileSystem = m_disk.fileSystem();
};

enum class TopKind {
    file,
    emptyFolder,
    tree,
    linkToFolder,
    linkToFile,
    danglingLink,
    fifo,
    socket
};

// Open descriptors of this process, found by probing; used to bound what a removal may open.
int openDescriptors() {
    int count = 0;
    for (int fd = 0; fd < 1024; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) {
            ++count;
        }
    }
    return count;
}

} // namespace

Q_DECLARE_METATYPE(TopKind)

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
        QTest::newRow("home") << "/Users/u" << protectedText;
        QTest::newRow("home in other letter case") << "/users/U" << protectedText;
        QTest::newRow("folder above home") << "/Users" << protectedText;
        for (const char* top :
             {"/Library", "/Applications", "/System", "/usr", "/bin",     "/sbin",  "/etc",
              "/var",     "/private",      "/opt",    "/tmp", "/Volumes", "/cores", "/dev",
              "/home",    "/root",         "/boot",   "/lib", "/proc",    "/sys",   "/canary"}) {
            QTest::newRow(top) << top << protectedText;
        }
        QTest::newRow("top-level folder in other letter case") << "/LIBRARY" << protectedText;
        for (const char* system : {"/private/var", "/private/etc", "/private/tmp", "/usr/local",
                                   "/System/Volumes/Data"}) {
            QTest::newRow(system) << system << protectedText;
        }
        // Too shallow to be anything the catalogue names.
        for (const char* shallow : {"/usr/bin", "/etc/ssh", "/var/lib", "/home/other",
                                    "/Users/u/Documents", "/USERS/U/Library"}) {
            QTest::newRow(shallow) << shallow << protectedText;
        }
    }
    void refusesWhatNoCleanupMayRemove() {
        QFETCH(QString, path);
        QFETCH(QString, refusal);
        Scene scene;
        // Put something at every path that names an entry, so that a removal would show.
        if (path.startsWith(u'/') && !path.contains(QChar(u'\0')) && !path.contains(u"..") &&
            path != u"/" && !path.contains(QChar(0xD800))) {
            scene.disk().writeFile(path + QStringLiteral("/precious"), 10);
        }
        const QByteArray before = scene.everything();
        QCOMPARE(scene.fileSystem().removeItem(path), std::optional(refusal));
        QCOMPARE(scene.everything(), before);
    }

    // A link in the folders above the item can lead to a protected folder by another name; the
    // guard looks at what the path reaches, not only at its text.
    void refusesProtectedFolderReachedThroughLink_data() {
        QTest::addColumn<QString>("linkTarget");
        QTest::addColumn<QString>("throughLink");
        // The link is made at home + "/Library/Caches/via".
        QTest::newRow("home") << "../../.."
                              << "u";
        QTest::newRow("entry directly under the root") << "../../../.."
                                                       << "canary";
        QTest::newRow("system folder") << "../../../../private"
                                       << "var";
    }
    void refusesProtectedFolderReachedThroughLink() {
        QFETCH(QString, linkTarget);
        QFETCH(QString, throughLink);
        Scene scene;
        const QString via = scene.disk().home() + QStringLiteral("/Library/Caches/via");
        scene.disk().makeLink(via, linkTarget);
        const QByteArray before = scene.everything();
        QCOMPARE(scene.fileSystem().removeItem(via + u'/' + throughLink),
                 std::optional(protectedText));
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
        QCOMPARE(disk.fileSystem()->removeItem(path), std::optional(protectedText));
        QCOMPARE(treeFingerprint(bytes(disk.root())), before);
    }

    // Something mounted at the item itself, in a child's private mount namespace that takes the
    // mount with it: a view of the canary, or a file system of its own. Neither is emptied.
    void mountAtTheItemIsRefused_data() {
        QTest::addColumn<bool>("bind");
        QTest::newRow("bind mount of a folder elsewhere") << true;
        QTest::newRow("tmpfs") << false;
    }
    void mountAtTheItemIsRefused() {
#if !defined(Q_OS_LINUX)
        QSKIP("private mount namespaces are a Linux feature");
#else
        QFETCH(bool, bind);
        Scene scene;
        scene.disk().makeFolder(scene.target());
        const QByteArray target = scene.realTarget();
        const QByteArray before = scene.outside();
        const pid_t child = ::fork();
        if (child == 0) {
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount(bind ? scene.canary().constData() : "none", target.constData(),
                        bind ? nullptr : "tmpfs", bind ? MS_BIND : 0, nullptr) != 0) {
                ::_exit(77);
            }
            const QByteArray inside = target + (bind ? "/file.txt" : "/inside");
            ::close(::open(inside.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
            const bool refused = scene.fileSystem().removeItem(scene.target()) == protectedText;
            ::_exit((refused ? 0 : 1) | (entryExists(inside) ? 0 : 2));
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
            QSKIP("no permission to mount here");
        }
        QCOMPARE(status, 0); // 1 << 8: not refused; 2 << 8: what was mounted lost its contents
        QVERIFY(entryExists(target));
        QCOMPARE(scene.outside(), before);
#endif
    }

    void removesEveryKindOfItem_data() {
        QTest::addColumn<TopKind>("kind");
        QTest::newRow("file") << TopKind::file;
        QTest::newRow("empty folder") << TopKind::emptyFolder;
        QTest::newRow("folder tree") << TopKind::tree;
        QTest::newRow("link to a folder outside: only the link goes") << TopKind::linkToFolder;
        QTest::newRow("link to a file outside") << TopKind::linkToFile;
        QTest::newRow("dangling link") << TopKind::danglingLink;
        QTest::newRow("FIFO, never opened") << TopKind::fifo;
        QTest::newRow("socket") << TopKind::socket;
    }
    void removesEveryKindOfItem() {
        QFETCH(TopKind, kind);
        Scene scene;
        const QByteArray target = scene.realTarget();
        switch (kind) {
        case TopKind::file:
            scene.disk().writeFile(scene.target(), 3000);
            break;
        case TopKind::emptyFolder:
            scene.disk().makeFolder(scene.target());
            break;
        case TopKind::tree:
            scene.disk().writeFile(scene.target() + QStringLiteral("/a/b/c/file"), 3000);
            scene.disk().writeFile(scene.target() + QStringLiteral("/.hidden/x"), 10);
            scene.disk().makeFolder(scene.target() + QStringLiteral("/a/empty"));
            break;
        case TopKind::linkToFolder:
            scene.disk().makeLink(scene.target(), QFile::decodeName(scene.canary()));
            break;
        case TopKind::linkToFile:
            scene.disk().makeLink(scene.target(), QFile::decodeName(scene.canary() + "/file.txt"));
            break;
        case TopKind::danglingLink:
            scene.disk().makeLink(scene.target(), QStringLiteral("/nowhere/at/all"));
            break;
        case TopKind::fifo:
            QCOMPARE(::mkfifo(target.constData(), 0644), 0);
            break;
        case TopKind::socket:
            makeSocket(target);
            break;
        }
        const QByteArray before = scene.outside();
        QCOMPARE(scene.fileSystem().removeItem(scene.target()), std::nullopt);
        QVERIFY(!entryExists(target));
        QCOMPARE(scene.outside(), before);
    }

    // Links, hard links, FIFOs and sockets below the item are unlinked as entries of their own:
    // nothing they lead to is touched.
    void linksAndSpecialFilesInsideAreUnlinkedNotFollowed() {
        Scene scene;
        const QByteArray target = scene.realTarget();
        const QString logical = scene.target();
        scene.disk().writeFile(logical + QStringLiteral("/own/file"), 2000);
        scene.disk().makeLink(logical + QStringLiteral("/own/to-canary"),
                              QFile::decodeName(scene.canary()));
        scene.disk().makeLink(logical + QStringLiteral("/to-canary-file"),
                              QFile::decodeName(scene.canary() + "/file.txt"));
        scene.disk().makeLink(logical + QStringLiteral("/relative-up"),
                              QStringLiteral("../../../../../canary"));
        scene.disk().makeLink(logical + QStringLiteral("/to-home"),
                              QFile::decodeName(scene.real(scene.disk().home())));
        scene.disk().makeLink(logical + QStringLiteral("/to-fake-root"),
                              QFile::decodeName(scene.real("/")));
        scene.disk().makeLink(logical + QStringLiteral("/own/loop"), QStringLiteral("loop"));
        QCOMPARE(::link((scene.canary() + "/sub/deep.bin").constData(),
                        (target + "/hard-link").constData()),
                 0);
        QCOMPARE(::mkfifo((target + "/own/fifo").constData(), 0644), 0);
        makeSocket(target + "/socket");

        const QByteArray before = scene.outside();
        QCOMPARE(scene.fileSystem().removeItem(logical), std::nullopt);
        QVERIFY(!entryExists(target));
        QCOMPARE(scene.outside(), before);
    }

    void namesThatShellsAndTextMangleAreRemoved() {
        Scene scene;
        const QByteArray target = scene.realTarget();
        scene.disk().makeFolder(scene.target());
        const QByteArrayList names{
            "new\nline", "tab\there",    "quo\"te",     "it's",
            "$HOME",     "`id`",         "-rf",         "--",
            "*",         " space",       "back\\slash", ".hidden",
            "..dots",    "\xff\xfe bad", "caf\xc3\xa9", QByteArray(255, 'n'),
        };
        for (const QByteArray& name : names) {
            writeRaw(target + '/' + name);
            QCOMPARE(::mkdir((target + '/' + name.left(250) + "-d").constData(), 0755), 0);
            writeRaw(target + '/' + name.left(250) + "-d/" + name);
        }
        const QByteArray before = scene.outside();
        QCOMPARE(scene.fileSystem().removeItem(scene.target()), std::nullopt);
        QVERIFY(!entryExists(target));
        QCOMPARE(scene.outside(), before);
    }

    // 300 levels of 200-character names: some 60,000 bytes of path, far beyond PATH_MAX, removed
    // within a small budget of descriptors.
    void treeBeyondThePathLengthLimit_data() {
        QTest::addColumn<int>("threads");
        QTest::newRow("one thread") << 1;
        QTest::newRow("four threads") << 4;
    }
    void treeBeyondThePathLengthLimit() {
        QFETCH(int, threads);
        Scene scene;
        scene.disk().makeFolder(scene.target());
        int fd = ::open(scene.realTarget().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        for (int level = 0; level < 300; ++level) {
            const QByteArray name = QByteArray::number(level).rightJustified(200, 'd');
            QCOMPARE(::mkdirat(fd, name.constData(), 0755), 0);
            const int file = ::openat(fd, "file", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            QVERIFY(file >= 0);
            QCOMPARE(::write(file, "payload", 7), ssize_t(7));
            ::close(file);
            if (level == 150) {
                QCOMPARE(::symlinkat(scene.canary().constData(), fd, "to-canary"), 0);
            }
            const int child = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = child;
            QVERIFY(fd >= 0);
        }
        QCOMPARE(::mkfifoat(fd, "fifo", 0644), 0);
        ::close(fd);

        struct rlimit limit {};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
        const auto restore = qScopeGuard([limit] { ::setrlimit(RLIMIT_NOFILE, &limit); });
        // The walk keeps two dozen folders open, the batches waiting for a thread a few dozen.
        struct rlimit tight = limit;
        tight.rlim_cur = static_cast<rlim_t>(openDescriptors() + 64);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);

        const QByteArray before = scene.outside();
        const int parentFd = ::open(scene.real(scene.disk().home() + "/Library/Caches").constData(),
                                    O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat seen {};
        QCOMPARE(::fstatat(parentFd, "target", &seen, AT_SYMLINK_NOFOLLOW), 0);
        const int error = TreeRemover::remove(parentFd, "target", seen, threads);
        ::close(parentFd);
        QCOMPARE(error, 0);
        QVERIFY(!entryExists(scene.realTarget()));
        QCOMPARE(scene.outside(), before);
    }

    void wideTreeIsRemovedWithAnyNumberOfThreads_data() {
        QTest::addColumn<int>("threads");
        QTest::newRow("one") << 1;
        QTest::newRow("two") << 2;
        QTest::newRow("eight") << 8;
    }
    void wideTreeIsRemovedWithAnyNumberOfThreads() {
        QFETCH(int, threads);
        Scene scene;
        const QByteArray target = scene.realTarget();
        scene.disk().makeFolder(scene.target());
        for (int i = 0; i < 3000; ++i) {
            writeRaw(target + "/flat-" + QByteArray::number(i));
        }
        for (int i = 0; i < 40; ++i) {
            const QByteArray folder = target + "/sub-" + QByteArray::number(i);
            QCOMPARE(::mkdir(folder.constData(), 0755), 0);
            QCOMPARE(::mkdir((folder + "/inner").constData(), 0755), 0);
            for (int j = 0; j < 60; ++j) {
                writeRaw(folder + "/inner/f-" + QByteArray::number(j));
            }
        }
        const QByteArray before = scene.outside();
        const int parentFd = ::open(scene.real(scene.disk().home() + "/Library/Caches").constData(),
                                    O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat seen {};
        QCOMPARE(::fstatat(parentFd, "target", &seen, AT_SYMLINK_NOFOLLOW), 0);
        QCOMPARE(TreeRemover::remove(parentFd, "target", seen, threads), 0);
        ::close(parentFd);
        QVERIFY(!entryExists(target));
        QCOMPARE(scene.outside(), before);
    }

    // A stop ends the removal between entries: it reports ECANCELED, what it had not reached is
    // still there, and nothing outside the item is touched.
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
        scene.disk().makeFolder(scene.target());
        for (int i = 0; i < folders; ++i) {
            const QByteArray folder = target + "/d" + QByteArray::number(i);
            QCOMPARE(::mkdir(folder.constData(), 0755), 0);
            for (int j = 0; j < 50; ++j) {
                writeRaw(folder + "/f" + QByteArray::number(j));
            }
        }
        const QByteArray before = scene.outside();
        const QByteArray whole = scene.everything();
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
        const int parentFd = ::open(scene.real(scene.disk().home() + "/Library/Caches").constData(),
                                    O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat seen {};
        QCOMPARE(::fstatat(parentFd, "target", &seen, AT_SYMLINK_NOFOLLOW), 0);
        std::atomic<int> error{-1};
        std::thread removal(
            [&] { error = TreeRemover::remove(parentFd, "target", seen, threads, stop); });
        // Asked as soon as the first folder is gone, long before the last can go.
        while (underWay && error.load() < 0 && foldersLeft() == folders) {
            std::this_thread::yield();
        }
        stop.requestStop();
        removal.join();
        ::close(parentFd);

        QCOMPARE(error.load(), ECANCELED);
        QVERIFY(entryExists(target));
        if (underWay) {
            QVERIFY(foldersLeft() < folders);
            QVERIFY(foldersLeft() > 0);
        } else {
            QCOMPARE(scene.everything(), whole);
        }
        QCOMPARE(scene.outside(), before);
        // The same item, asked again without a stop, goes whole.
        QCOMPARE(scene.fileSystem().removeItem(scene.target()), std::nullopt);
        QVERIFY(!entryExists(target));
    }

    // The item was measured as a folder; before it is removed, it is replaced by a link to the
    // canary. Only the link goes.
    void itemSwappedForLinkAfterItWasMeasured() {
        Scene scene;
        scene.disk().writeFile(scene.target() + QStringLiteral("/inner/file"), 4096);
        scene.disk().writeFile(scene.target() + QStringLiteral("/other/file"), 4096);
        QVERIFY(scene.fileSystem().allocatedSizeOfTree(scene.target()) > 0);
        QVERIFY(
            QDir(scene.disk().real(scene.target() + QStringLiteral("/inner"))).removeRecursively());
        scene.disk().makeLink(scene.target() + QStringLiteral("/inner"),
                              QFile::decodeName(scene.canary()));
        QVERIFY(QDir(scene.disk().real(scene.target())).removeRecursively());
        scene.disk().makeLink(scene.target(), QFile::decodeName(scene.canary()));

        const QByteArray before = scene.outside();
        QCOMPARE(scene.fileSystem().removeItem(scene.target()), std::nullopt);
        QVERIFY(!entryExists(scene.realTarget()));
        QCOMPARE(scene.outside(), before);
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
        const QByteArrayList leftAside{swapped.mid(bytes(scene.disk().root()).size())};
        const QByteArray before = scene.outside(leftAside);
        for (int round = 0; round < 12; ++round) {
            QByteArrayList pairs;
            scene.disk().makeFolder(scene.target());
            for (int i = 0; i < 24; ++i) {
                const QByteArray folder = target + "/d" + QByteArray::number(i);
                const QByteArray link = target + "/l" + QByteArray::number(i);
                QCOMPARE(::mkdir(folder.constData(), 0755), 0);
                QCOMPARE(::mkdir((folder + "/nested").constData(), 0755), 0);
                for (int j = 0; j < 30; ++j) {
                    writeRaw(folder + "/f" + QByteArray::number(j));
                    writeRaw(folder + "/nested/f" + QByteArray::number(j));
                }
                QCOMPARE(::symlink(scene.canary().constData(), link.constData()), 0);
                pairs << folder << link;
            }
            if (swapItself) {
                QCOMPARE(::symlink(scene.canary().constData(), swapped.constData()), 0);
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
            scene.fileSystem().removeItem(scene.target());
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

    void readOnlyFolderFailsPartwayAndKeepsGoing() {
        if (::geteuid() == 0) {
            QSKIP("root may unlink in read-only folders (coreutils skips this case as root too)");
        }
        Scene scene;
        const QString locked = scene.target() + QStringLiteral("/locked");
        scene.disk().writeFile(locked + QStringLiteral("/stays"), 100);
        scene.disk().writeFile(scene.target() + QStringLiteral("/a/goes"), 100);
        scene.disk().writeFile(scene.target() + QStringLiteral("/z/goes"), 100);
        QCOMPARE(::chmod(scene.real(locked).constData(), 0555), 0);
        const auto unlock = qScopeGuard([&] { ::chmod(scene.real(locked).constData(), 0755); });

        const QByteArray before = scene.outside();
        QCOMPARE(scene.fileSystem().removeItem(scene.target()),
                 std::optional(QStringLiteral("Permission denied")));
        QVERIFY(entryExists(scene.real(locked + QStringLiteral("/stays"))));
        QVERIFY(!entryExists(scene.real(scene.target() + QStringLiteral("/a"))));
        QVERIFY(!entryExists(scene.real(scene.target() + QStringLiteral("/z"))));
        QCOMPARE(scene.outside(), before);
    }

    // As root, an immutable file is what a removal cannot get past.
    void immutableFileFailsPartwayAndKeepsGoing() {
#if !defined(Q_OS_LINUX)
        QSKIP("immutable flags are set through a Linux ioctl here");
#else
        Scene scene;
        const QString locked = scene.target() + QStringLiteral("/m/locked");
        scene.disk().writeFile(locked + QStringLiteral("/stays"), 100);
        scene.disk().writeFile(locked + QStringLiteral("/goes"), 100);
        for (const char* other : {"/a/goes", "/z/goes", "/m/goes"}) {
            scene.disk().writeFile(scene.target() + QLatin1String(other), 100);
        }
        const QByteArray stays = scene.real(locked + QStringLiteral("/stays"));
        if (!setImmutable(stays, true)) {
            QSKIP("this file system or user cannot make files immutable");
        }
        const auto release = qScopeGuard([&] { setImmutable(stays, false); });

        const QByteArray before = scene.outside();
        QCOMPARE(scene.fileSystem().removeItem(scene.target()),
                 std::optional(QStringLiteral("Operation not permitted")));
        QVERIFY(entryExists(stays));
        QVERIFY(!entryExists(scene.real(locked + QStringLiteral("/goes"))));
        for (const char* gone : {"/a", "/z", "/m/goes"}) {
            QVERIFY2(!entryExists(scene.real(scene.target() + QLatin1String(gone))), gone);
        }
        QCOMPARE(scene.outside(), before);
#endif
    }

    // A folder mounted inside the item (here a view of the canary) is another file system's
    // business: its contents are not removed.
    void mountedFolderInsideIsNotEmptied() {
#if !defined(Q_OS_LINUX)
        QSKIP("bind mounts are a Linux feature");
#else
        Scene scene;
        const QString mountPoint = scene.target() + QStringLiteral("/mounted");
        scene.disk().makeFolder(mountPoint);
        scene.disk().writeFile(scene.target() + QStringLiteral("/goes"), 100);
        if (::mount(scene.canary().constData(), scene.real(mountPoint).constData(), nullptr,
                    MS_BIND, nullptr) != 0) {
            QSKIP("no permission to mount here");
        }
        const auto unmount =
            qScopeGuard([&] { ::umount2(scene.real(mountPoint).constData(), MNT_DETACH); });

        const QByteArray before = scene.outside();
        QCOMPARE(scene.fileSystem().removeItem(scene.target()),
                 std::optional(QStringLiteral("Device or resource busy")));
        QVERIFY(!entryExists(scene.real(scene.target() + QStringLiteral("/goes"))));
        QCOMPARE(scene.outside(), before);
        QVERIFY(entryExists(scene.real(mountPoint + QStringLiteral("/file.txt"))));
#endif
    }

    void missingItemIsAnError() {
        Scene scene;
        QCOMPARE(scene.fileSystem().removeItem(scene.target()),
                 std::optional(QStringLiteral("No such file or directory")));
        QCOMPARE(scene.fileSystem().removeItem(scene.disk().home() + QStringLiteral("/no/such")),
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
        QCOMPARE(scene.fileSystem().createDirectory(path), created);
        if (created) {
            QVERIFY(QFileInfo(scene.disk().real(path)).isDir());
            QVERIFY(QDir(scene.disk().real(path))
                        .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                 QDir::NoDotAndDotDot) ||
                    path.endsWith(u"Documents"));
        }
    }

private:
#if defined(Q_OS_LINUX)
    static bool setImmutable(const QByteArray& path, bool on) {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        int flags = 0;
        bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0) {
            ::close(fd);
        }
        return done;
    }
#endif
};

QTEST_GUILESS_MAIN(RemovalTest)
#include "tst_removal.moc"
