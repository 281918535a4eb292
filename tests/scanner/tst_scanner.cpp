#include "platform/FileSystem.h"
#include "platform/StopToken.h"
#include "scanner/Scanner.h"
#include "support/FakeDisk.h"
#include "support/Trees.h"

#include <QCoroTask>
#include <QFile>
#include <QTest>
#include <QTimer>

class ScannerTest : public QObject {
    Q_OBJECT

private slots:
    void equalSizesKeepTheOrderFound() {
        // Superseded NDK versions come out in version order and carry no threshold, so many
        // records of one size with a few larger ones show whether the final sort is stable.
        FakeDisk disk;
        QStringList large;
        QStringList small;
        for (int major = 10; major < 50; ++major) {
            const QString path =
                disk.home() + "/Library/Android/sdk/ndk/" + QString::number(major) + ".0.1";
            disk.writeFile(path + "/source.properties", major % 7 == 0 ? 90'000 : 100);
            (major % 7 == 0 ? large : small).append(path);
        }
        large.removeLast(); // the latest, 49.0.1, is never offered
        Scanner scanner(disk.fileSystem());
        QStringList found;
        for (const FolderItem& item : QCoro::waitFor(scanner.scanAll({}))) {
            found.append(item.path);
        }
        QCOMPARE(found, large + small);
    }

    // A stopped scan returns nothing, not a list of sizes cut short, and leaves the worker free:
    // the next scan finds everything.
    void stoppedScanReturnsNothing_data() {
        QTest::addColumn<int>("stopAtStatus");
        QTest::addColumn<bool>("duringWalk");
        QTest::newRow("before any walk") << 0 << false;
        QTest::newRow("while a large tree is walked") << 1 << true;
        QTest::newRow("after the categories that found something") << 4 << false;
        QTest::newRow("while the projects are looked for") << 5 << true;
        QTest::newRow("when the container engines are asked") << 6 << false;
    }
    void stoppedScanReturnsNothing() {
        QFETCH(int, stopAtStatus);
        QFETCH(bool, duringWalk);
        FakeDisk disk;
        disk.writeFile(disk.home() + "/Library/Caches/pip/wheel", 5000);
        disk.makeFolder(disk.home() + "/.gradle/caches");
        makeWideTree(QFile::encodeName(disk.real(disk.home() + "/.gradle/caches")), 40, 50);
        disk.makeFolder(disk.home() + "/work");
        makeWideTree(QFile::encodeName(disk.real(disk.home() + "/work")), 40, 50);
        Scanner scanner(disk.fileSystem());
        const StopToken stop = StopToken::stoppable();
        QList<ScanStep> seen;
        const QList<FolderItem> found = QCoro::waitFor(scanner.scanAll(
            [&](ScanStep step) {
                if (seen.size() == stopAtStatus && duringWalk) {
                    // The category starts its first walk before the event loop runs again.
                    QTimer::singleShot(0, [&stop] { stop.requestStop(); });
                } else if (seen.size() == stopAtStatus) {
                    stop.requestStop();
                }
                seen.append(step);
            },
            stop));
        QVERIFY(found.isEmpty());
        QCOMPARE(seen.size(), stopAtStatus + 1);
        QCOMPARE(QCoro::waitFor(scanner.scanAll({})).size(), 2);
    }
};

QTEST_GUILESS_MAIN(ScannerTest)
#include "tst_scanner.moc"
