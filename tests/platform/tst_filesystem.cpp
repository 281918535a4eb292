#include "platform/FileSystem.h"
#include "platform/StopToken.h"
#include "support/FakeDisk.h"
#include "support/Trees.h"
#include "ui/WindowTexts.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace {

using Build = std::function<qint64(const FakeDisk&)>;

// Bytes that `du` counts below a row's folder but a removal of it would not free.
qint64 notFreed = 0;

// What `du` says the real folder holds, less the folder's own blocks; 0 for anything else.
qint64 duBelow(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return 0;
    }
    QProcess du;
    du.start(QStringLiteral("du"), {QStringLiteral("-s"), QStringLiteral("-B1"), path});
    du.waitForFinished(-1);
    return du.readAllStandardOutput().split('\t').first().toLongLong() -
           FakeDisk::allocatedBytes(path);
}

// Runs `work` with the effective user id of an unprivileged user, so that permission bits apply
// even when the tests run as root. Returns false when that is impossible here.
bool asUnprivilegedUser(const QString& tree, const std::function<void()>& work) {
    if (::geteuid() != 0) {
        work();
        return true;
    }
    constexpr uid_t nobody = 65534;
    // The fake disk's root is ours and private to root: open it to the other user. Nothing above
    // it is ours to change, so when a folder above cannot be searched by others, skip instead.
    ::chmod(QFile::encodeName(tree).constData(), 0755);
    for (QString dir = tree.section(QLatin1Char('/'), 0, -2); !dir.isEmpty();
         dir = dir.section(QLatin1Char('/'), 0, -2)) {
        struct stat info {};
        if (::stat(QFile::encodeName(dir).constData(), &info) != 0 ||
            (info.st_mode & S_IXOTH) == 0) {
            return false;
        }
    }
    if (::seteuid(nobody) != 0) {
        return false;
    }
    work();
    return ::seteuid(0) == 0;
}

} // namespace

Q_DECLARE_METATYPE(Build)

class FileSystemTest : public QObject {
    Q_OBJECT

private slots:
    void walk_data() {
        QTest::addColumn<Build>("build");
        const QString t = QStringLiteral("/t");
        QTest::newRow("missing path") << Build([](const FakeDisk&) { return qint64(0); });
        QTest::newRow("plain file measures nothing below it") << Build([](const FakeDisk& d) {
            d.writeFile("/t", 10'000);
            return qint64(0);
        });
        QTest::newRow("empty folder") << Build([](const FakeDisk& d) {
            d.makeFolder("/t");
            return qint64(0);
        });
        QTest::newRow("nested files, folders counted by the whole measure only")
            << Build([](const FakeDisk& d) {
                   return d.writeFile("/t/a", 5000) + d.writeFile("/t/b/c", 1) +
                          d.writeFile("/t/b/d/e/f", 70'000);
               });
        QTest::newRow("hidden files and folders") << Build([](const FakeDisk& d) {
            d.writeFile("/t/.hidden", 50'000);
            d.writeFile("/t/.cache/inner", 50'000);
            d.writeFile("/t/sub/.DS_Store", 9000);
            d.writeFile("/outside/big", 200'000);
            d.makeLink("/t/.cache/.to-folder", d.real("/outside"));
            return d.writeFile("/t/sub/visible", 3000);
        });
        // A package store linked into a project: the project's links free nothing.
        QTest::newRow("hard links: once inside, never when linked from outside")
            << Build([](const FakeDisk& d) {
                   const qint64 inside = d.writeFile("/t/a", 20'000);
                   notFreed = d.writeFile("/store/kept", 30'000);
                   d.makeHardLink("/t/sub/b", "/t/a");
                   d.makeHardLink("/t/sub/kept", "/store/kept");
                   return 2 * inside + notFreed;
               });
        QTest::newRow("folders' own blocks, however large") << Build([](const FakeDisk& d) {
            for (int i = 0; i < 3000; ++i) {
                d.makeFolder(QStringLiteral("/t/big/a-longer-name-than-most-%1").arg(i));
            }
            return qint64(0);
        });
        QTest::newRow("sparse file counts allocated bytes") << Build([](const FakeDisk& d) {
            d.writeFile("/t/sparse", 0);
            QFile(d.real("/t/sparse")).resize(qint64(1) << 32); // no blocks allocated
            return FakeDisk::allocatedBytes(d.real("/t/sparse"));
        });
        QTest::newRow("links are not followed") << Build([](const FakeDisk& d) {
            d.writeFile("/outside/big", 200'000);
            d.makeLink("/t/to-folder", d.real("/outside"));
            d.makeLink("/t/to-file", d.real("/outside/big"));
            d.makeLink("/t/dangling", "/nowhere");
            return d.writeFile("/t/own", 10) + FakeDisk::allocatedBytes(d.real("/t/to-folder")) +
                   FakeDisk::allocatedBytes(d.real("/t/to-file")) +
                   FakeDisk::allocatedBytes(d.real("/t/dangling"));
        });
        QTest::newRow("measured path that is a link") << Build([](const FakeDisk& d) {
            d.writeFile("/outside/big", 200'000);
            d.makeLink("/t", d.real("/outside"));
            return qint64(0);
        });
        QTest::newRow("names that are not UTF-8 still count") << Build([](const FakeDisk& d) {
            d.makeFolder("/t");
            const QByteArray bad = QFile::encodeName(d.real("/t/")) + "caf\xe9";
            ::mkdir(bad.constData(), 0755);
            const int fd = ::open((bad + "/x\xff").constData(), O_WRONLY | O_CREAT, 0644);
            const QByteArray data(20'000, 'x');
            if (::write(fd, data.constData(), static_cast<size_t>(data.size())) != data.size()) {
                qFatal("write");
            }
            struct stat info {};
            ::fstat(fd, &info);
            ::close(fd);
            return static_cast<qint64>(info.st_blocks) * 512;
        });
        QTest::newRow("wide tree spread over walkers") << Build([](const FakeDisk& d) {
            qint64 sum = 0;
            for (int i = 0; i < 40; ++i) {
                for (int j = 0; j < 25; ++j) {
                    sum += d.writeFile(QStringLiteral("/t/%1/%2/f").arg(i).arg(j), 100 + j);
                }
            }
            return sum;
        });
        // Some 60,000 bytes of path, and more levels than the walk may hold descriptors.
        QTest::newRow("300 levels, beyond PATH_MAX") << Build([](const FakeDisk& d) {
            d.makeFolder("/t");
            return makeDeepTree(QFile::encodeName(d.real("/t")), 300, 200);
        });
    }
    void walk() {
        QFETCH(Build, build);
        FakeDisk disk;
        notFreed = 0;
        const qint64 expected = build(disk);
        const qint64 wholeExpected = duBelow(disk.real("/t")) - notFreed;
        const auto fileSystem = disk.fileSystem();
        rlimit original{};
        ::getrlimit(RLIMIT_NOFILE, &original);
        rlimit tight = original;
        tight.rlim_cur = 128;
        ::setrlimit(RLIMIT_NOFILE, &tight);
        const qint64 measured = fileSystem->allocatedSizeOfTree(QStringLiteral("/t"));
        const qint64 whole =
            fileSystem->allocatedSizeOfTree(QStringLiteral("/t"), {}, SizeMeasure::whole);
        ::setrlimit(RLIMIT_NOFILE, &original);
        QCOMPARE(measured, expected);
        // The whole measure agrees with `du`, but for what a removal would leave.
        QCOMPARE(whole, wholeExpected);
    }

    // Asked to stop, a walk ends before it has seen the tree: its figure falls short (and callers
    // drop it).
    void stoppedWalkEndsEarly() {
        FakeDisk disk;
        qint64 whole = 0;
        for (int i = 0; i < 20; ++i) {
            whole += disk.writeFile(QStringLiteral("/t/d%1/f").arg(i), 4096);
        }
        const StopToken stop = StopToken::stoppable();
        stop.requestStop();
        QVERIFY(disk.fileSystem()->allocatedSizeOfTree(QStringLiteral("/t"), stop) < whole);
        QCOMPARE(disk.fileSystem()->allocatedSizeOfTree(QStringLiteral("/t")), whole);
    }

    void unreadableFoldersArePassedOver() {
        FakeDisk disk;
        const qint64 readable = disk.writeFile("/t/open/a", 8000);
        disk.writeFile("/t/closed/secret", 80'000);
        disk.writeFile("/t/closed/deeper/more", 80'000);
        ::chmod(QFile::encodeName(disk.real("/t/closed")).constData(), 0);
        qint64 measured = -1;
        const bool ran = asUnprivilegedUser(disk.root(), [&] {
            measured = disk.fileSystem()->allocatedSizeOfTree(QStringLiteral("/t"));
        });
        if (!ran) {
            QSKIP("cannot switch to an unprivileged user here");
        }
        QCOMPARE(measured, readable);
    }

    // A tree shaped like a Go module cache, read-only as Go leaves it, removed by its owner. What
    // stops the removal is named, home-relative: the folder it may not change or open, and its
    // owner when that is someone else.
    void readOnlyTreeOfTheUser_data() {
        QTest::addColumn<int>("parentMode");
        QTest::addColumn<int>("foreignMode"); // of a folder of root's inside; 0: none
        QTest::addColumn<QString>("error");
        const QString foreign =
            QStringLiteral("Permission denied: ~/go/pkg/mod/example.com/foreign belongs to root");
        QTest::newRow("module cache") << 0755 << 0 << QString();
        QTest::newRow("read-only parent is left alone")
            << 0555 << 0 << "Permission denied: ~/go/pkg";
        QTest::newRow("another owner's folder is left alone") << 0755 << 0555 << foreign;
        QTest::newRow("another owner's folder that cannot be opened") << 0755 << 0700 << foreign;
    }
    void readOnlyTreeOfTheUser() {
        QFETCH(int, parentMode);
        QFETCH(int, foreignMode);
        QFETCH(QString, error);
        if (foreignMode != 0 && ::geteuid() != 0) {
            QSKIP("only root can give a folder to another owner");
        }
        FakeDisk disk(QStringLiteral("/t"));
        disk.writeFile("/t/canary", 100);
        disk.writeFile("/t/go/pkg/mod/cache/download/example.com/m/@v/v1.0.0.zip", 5000);
        disk.writeFile("/t/go/pkg/mod/example.com/m@v1.0.0/go.mod", 30);
        disk.writeFile("/t/go/pkg/mod/example.com/m@v1.0.0/internal/x.go", 800);
        if (::geteuid() == 0) {
            QProcess::execute("/bin/chown", {"-R", "65534:65534", disk.real("/t")});
        }
        if (foreignMode != 0) {
            disk.writeFile("/t/go/pkg/mod/example.com/foreign/f", 1);
        }
        QProcess::execute("/bin/chmod",
                          {"-R", "a-w", disk.real("/t/go/pkg/mod"), disk.real("/t/canary")});
        const auto path = [&](const char* logical) {
            return QFile::encodeName(disk.real(QString::fromLatin1(logical)));
        };
        const char* const foreign = "/t/go/pkg/mod/example.com/foreign";
        ::chmod(path("/t/go/pkg"), static_cast<mode_t>(parentMode));
        ::chmod(path(foreign), static_cast<mode_t>(foreignMode)); // no such folder without one
        const auto modeOf = [&](const char* logical) {
            struct stat info {};
            ::lstat(path(logical).constData(), &info);
            return static_cast<int>(info.st_mode & 07777);
        };
        const auto canary = [&] {
            QFile file(QString::fromLocal8Bit(path("/t/canary")));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray canaryBefore = canary();

        std::optional<RemovalFailure> result;
        const bool ran = asUnprivilegedUser(disk.root(), [&] {
            result = disk.fileSystem()->removeItem(QStringLiteral("/t/go/pkg/mod"));
        });
        if (!ran) {
            QSKIP("cannot switch to an unprivileged user here");
        }
        QCOMPARE(result ? WindowTexts::removalFailure(*result) : QString(), error);
        QCOMPARE(QFileInfo::exists(disk.real("/t/go/pkg/mod")), !error.isEmpty());
        QCOMPARE(modeOf("/t/go/pkg"), parentMode);
        QCOMPARE(modeOf("/t/canary"), 0444);
        QCOMPARE(canary(), canaryBefore);
        QCOMPARE(modeOf(foreign), foreignMode);
    }

    void rootedPaths() {
        FakeDisk disk(QStringLiteral("/Users/u"));
        disk.writeFile("/Library/Caches/x/file", 10);
        disk.makeFolder("/Users/u/Library/Caches/.hidden");
        disk.makeFolder("/Users/u/Library/Caches/com.example.ShipIt");
        // A name that is not text is left out of listings.
        ::mkdir((QFile::encodeName(disk.real("/Users/u/Library/Caches/")) + "bad\xff").constData(),
                0755);
        const auto fs = disk.fileSystem();

        QVERIFY(fs->fileExists(QStringLiteral("/Library/Caches/x/file")));
        QVERIFY(fs->fileExists(QStringLiteral("/Users/u")));
        QVERIFY(!fs->fileExists(QStringLiteral("/Library/Caches/y")));
        QVERIFY(!fs->fileExists(QStringLiteral("Library/Caches/x"))); // relative: never resolved

        auto names = fs->contentsOfDirectory(QStringLiteral("/Users/u/Library/Caches"));
        QVERIFY(names);
        names->sort();
        QCOMPARE(*names, (QStringList{".hidden", "com.example.ShipIt"}));
        QVERIFY(!fs->contentsOfDirectory(QStringLiteral("/Users/u/missing")));
        QVERIFY(!fs->contentsOfDirectory(QStringLiteral("/Library/Caches/x/file")));
        QVERIFY(!fs->contentsOfDirectory(QString()));
    }

    void homeGuard_data() {
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("usable");
        // clang-format off
        const char* const rows[][3] = {
            {"plain", "/Users/u", "/Users/u"}, {"trailing separators", "/Users/u//", "/Users/u"},
            {"empty", "", ""}, {"relative", "Users/u", ""}, {"root", "/", ""},
            {"root twice", "//", ""}};
        // clang-format on
        for (const auto& row : rows) {
            QTest::newRow(row[0]) << row[1] << row[2];
        }
    }
    void homeGuard() {
        QFETCH(QString, home);
        QFETCH(QString, usable);
        QCOMPARE(FileSystem::rooted(QStringLiteral("/nonexistent"), home)->homePath(), usable);
    }

    void joining_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("joined");
        // clang-format off
        const char* const rows[][4] = {
            {"plain", "/a/b", "c", "/a/b/c"}, {"folder ends with slash", "/a/b/", "c", "/a/b/c"},
            {"name starts with slash", "/a", "/c", "/a/c"},
            {"name with spaces", "/a", "IB Support", "/a/IB Support"}};
        // clang-format on
        for (const auto& row : rows) {
            QTest::newRow(row[0]) << row[1] << row[2] << row[3];
        }
    }
    void joining() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, joined);
        QCOMPARE(FileSystem::appendingPathComponent(folder, name), joined);
    }
};

QTEST_GUILESS_MAIN(FileSystemTest)
#include "tst_filesystem.moc"
