#include "platform/FileSystem.h"
#include "platform/StopToken.h"
#include "scanner/Scanner.h"
#include "support/FakeDisk.h"
#include "support/ResponsivenessProbe.h"

#include <QCoroTask>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QStringList statusTexts{
    QStringLiteral("Scanning safe application caches..."),
    QStringLiteral("Scanning developer tools & build caches..."),
    QStringLiteral("Scanning iOS simulator caches..."),
    QStringLiteral("Scanning audio plugins & dormant formats..."),
    QStringLiteral("Scanning sandbox extraction residues..."),
};

// `folders` x `filesPerFolder` one-byte files below `top`, made with plain syscalls to stay fast.
void buildWideTree(const QString& top, int folders, int filesPerFolder) {
    for (int f = 0; f < folders; ++f) {
        const QByteArray folder = QFile::encodeName(top) + "/d" + QByteArray::number(f);
        ::mkdir(folder.constData(), 0755);
        for (int i = 0; i < filesPerFolder; ++i) {
            const QByteArray file = folder + "/f" + QByteArray::number(i);
            const int fd = ::open(file.constData(), O_WRONLY | O_CREAT, 0644);
            if (::write(fd, "x", 1) != 1) {
                qFatal("cannot write");
            }
            ::close(fd);
        }
    }
}

} // namespace

class ScannerTest : public QObject {
    Q_OBJECT

private slots:
    void emptyDiskStillReportsEveryCategoryInOrder() {
        FakeDisk disk;
        Scanner scanner(disk.fileSystem());
        QStringList seen;
        const QList<FolderItem> found =
            QCoro::waitFor(scanner.scanAll([&](const QString& text) { seen.append(text); }));
        QVERIFY(found.isEmpty());
        QCOMPARE(seen, statusTexts);
    }

    void scanWithoutUsableHomeLooksNowhereElse() {
        FakeDisk disk(QStringLiteral("/"));
        // Would be found if an empty home were taken as the top of the disk.
        disk.writeFile("/Library/Caches/pip/wheel", 5000);
        disk.writeFile("/.npm/_cacache/blob", 5000);
        Scanner scanner(disk.fileSystem());
        QStringList seen;
        const auto found =
            QCoro::waitFor(scanner.scanAll([&](const QString& text) { seen.append(text); }));
        QVERIFY(found.isEmpty());
        QCOMPARE(seen.size(), statusTexts.size());
    }

    void equalSizesKeepTheOrderFound() {
        // Superseded NDK versions come out in version order and carry no threshold, so many
        // records of one size with a few larger ones show whether the final sort is stable.
        FakeDisk disk;
        const QString ndk = disk.home() + "/Library/Android/sdk/ndk/";
        QStringList versionOrder;
        for (int major = 10; major < 50; ++major) {
            const QString version = QStringLiteral("%1.0.1").arg(major);
            disk.writeFile(ndk + version + "/source.properties", major % 7 == 0 ? 90'000 : 100);
            versionOrder.append(version);
        }
        Scanner scanner(disk.fileSystem());
        const auto found = QCoro::waitFor(scanner.scanAll({}));
        QCOMPARE(found.size(), 39); // the latest, 49.0.1, is never offered
        QStringList expected;
        for (bool large : {true, false}) {
            for (const QString& version : versionOrder.first(39)) {
                if ((version.section('.', 0, 0).toInt() % 7 == 0) == large) {
                    expected.append("Android NDK " + version + " (Older Version)");
                }
            }
        }
        QStringList names;
        for (int i = 0; i < found.size(); ++i) {
            names.append(found[i].name);
            if (i > 0) {
                QVERIFY(found[i - 1].size >= found[i].size);
            }
        }
        QCOMPARE(names, expected);
    }

    // A stopped scan returns nothing, not a list of sizes cut short, and leaves the worker free:
    // the next scan finds everything.
    void stoppedScanReturnsNothing_data() {
        QTest::addColumn<int>("stopAtStatus");
        QTest::addColumn<bool>("duringWalk");
        QTest::newRow("before any walk") << 0 << false;
        QTest::newRow("while a large tree is walked") << 1 << true;
        QTest::newRow("after the categories that found something") << 4 << false;
    }
    void stoppedScanReturnsNothing() {
        QFETCH(int, stopAtStatus);
        QFETCH(bool, duringWalk);
        FakeDisk disk;
        disk.writeFile(disk.home() + "/Library/Caches/pip/wheel", 5000);
        disk.makeFolder(disk.home() + "/.gradle/caches");
        buildWideTree(disk.real(disk.home() + "/.gradle/caches"), 40, 50);
        Scanner scanner(disk.fileSystem());
        const StopToken stop = StopToken::stoppable();
        QStringList seen;
        const QList<FolderItem> found = QCoro::waitFor(scanner.scanAll(
            [&](const QString& text) {
                if (seen.size() == stopAtStatus && duringWalk) {
                    // The category starts its first walk before the event loop runs again.
                    QTimer::singleShot(0, [&stop] { stop.requestStop(); });
                } else if (seen.size() == stopAtStatus) {
                    stop.requestStop();
                }
                seen.append(text);
            },
            stop));
        QVERIFY(found.isEmpty());
        QCOMPARE(seen, statusTexts.first(stopAtStatus + 1));
        QCOMPARE(QCoro::waitFor(scanner.scanAll({})).size(), 2);
    }

    void folderSizeMeasuresOffTheGuiThread() {
        FakeDisk disk;
        const qint64 expected =
            disk.writeFile("/Users/u/x/a", 12'345) + disk.writeFile("/Users/u/x/b/c", 1);
        Scanner scanner(disk.fileSystem());
        QCOMPARE(QCoro::waitFor(scanner.folderSize(QStringLiteral("/Users/u/x"))), expected);
        QCOMPARE(QCoro::waitFor(scanner.folderSize(QStringLiteral("/Users/u/missing"))), qint64(0));
        QCOMPARE(QCoro::waitFor(scanner.folderSize(QStringLiteral("/Users/u/x/a"))), qint64(0));
    }

    void guiThreadStaysResponsiveWhileMeasuring() {
        FakeDisk disk;
        disk.makeFolder("/big");
        buildWideTree(disk.real("/big"), 300, 200);
        Scanner scanner(disk.fileSystem());
        ResponsivenessProbe probe;
        probe.start();
        const qint64 size = QCoro::waitFor(scanner.folderSize(QStringLiteral("/big")));
        probe.stop();
        QVERIFY(size >= 60'000);
        QVERIFY2(probe.longestGapMs() <= 50,
                 qPrintable(QStringLiteral("GUI thread waited %1 ms").arg(probe.longestGapMs())));
    }
};

QTEST_GUILESS_MAIN(ScannerTest)
#include "tst_scanner.moc"
