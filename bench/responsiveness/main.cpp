// How long the GUI thread's event loop is kept waiting while a window scans a large fake disk,
// cleans everything it found and scans again.
//
//   bench_responsiveness [files=300000]
#include "ResponsivenessProbe.h"
#include "cleaner/Cleaner.h"
#include "platform/ProcessLauncher.h"
#include "scanner/Scanner.h"
#include "support/FakeDisk.h"
#include "ui/ContentState.h"
#include "update/UpdateChecker.h"

#include <QApplication>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Spreads `files` small files over the caches a developer's disk fills most.
void fill(const FakeDisk& disk, qint64 files) {
    const QStringList caches{"/.gradle/caches", "/.npm/_cacache",
                             "/Library/Developer/Xcode/DerivedData", "/Library/Caches/pip"};
    for (qint64 made = 0, folder = 0; made < files; ++folder) {
        const QString logical =
            disk.home() + caches[folder % caches.size()] + "/d" + QString::number(folder);
        disk.makeFolder(logical);
        const QByteArray dir = QFile::encodeName(disk.real(logical));
        for (int i = 0; i < 100 && made < files; ++i, ++made) {
            const int fd =
                ::open((dir + "/f" + QByteArray::number(i)).constData(), O_WRONLY | O_CREAT, 0644);
            if (fd < 0 || ::write(fd, "kestrelle", 9) != 9) {
                qFatal("cannot build the fake disk");
            }
            ::close(fd);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 files = argc > 1 ? QByteArray(argv[1]).toLongLong() : 300'000;
    QTextStream out(stdout);

    FakeDisk disk;
    out << "building a fake disk of " << files << " files...\n";
    out.flush();
    fill(disk, files);

    Scanner scanner(disk.fileSystem());
    Cleaner cleaner(disk.fileSystem(),
                    std::make_shared<ProcessLauncher>(QStringLiteral("/bin/sh")));
    UpdateChecker checker(QUrl(QStringLiteral("http://127.0.0.1:9/downloads/version.json")),
                          std::nullopt);
    ContentState state({scanner, cleaner, checker, [] { return DiskSpaceInfo{}; }});

    ResponsivenessProbe probe;
    QElapsedTimer clock;
    clock.start();
    probe.start();
    QCoro::waitFor(state.launch());
    const qint64 scanned = clock.elapsed();
    const qint64 scanGap = probe.longestGapMs();
    state.setAllSelected(true);
    const qsizetype targets = state.selectedCount();
    clock.restart();
    probe.start();
    QCoro::waitFor(state.performCleanup());
    probe.stop();

    out << "scan: " << targets << " targets in " << scanned << " ms, longest GUI wait " << scanGap
        << " ms\n";
    out << "cleanup and rescan: " << clock.elapsed() << " ms, " << state.lastResult()->failedCount
        << " failed, longest GUI wait " << probe.longestGapMs() << " ms\n";
    out << "goal: no GUI wait over 16 ms (5 ms timer)\n";
    return 0;
}
