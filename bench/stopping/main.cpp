// How soon a stop request takes effect: a cleanup removing a folder of many files, and a scan
// walking a large tree. Each is asked to stop once it is well under way; the figures are the time
// from the request to the run's end on the GUI thread, what was left, how soon the worker takes
// the next job, and the GUI thread's longest wait meanwhile.
//
//   bench_stopping [files=300000] [stop after ms=300] [files per folder=100]
#include "ResponsivenessProbe.h"
#include "cleaner/Cleaner.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/StopToken.h"
#include "scanner/Scanner.h"
#include "support/FakeDisk.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

// `files` empty files in folders of `perFolder` below `logical`.
void fill(const FakeDisk& disk, const QString& logical, qint64 files, qint64 perFolder) {
    disk.makeFolder(logical);
    const QByteArray top = QFile::encodeName(disk.real(logical));
    for (qint64 made = 0, folder = 0; made < files; ++folder) {
        const QByteArray dir = top + "/d" + QByteArray::number(folder);
        ::mkdir(dir.constData(), 0755);
        for (qint64 i = 0; i < perFolder && made < files; ++i, ++made) {
            const int fd = ::open((dir + "/f" + QByteArray::number(i)).constData(),
                                  O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd < 0) {
                qFatal("cannot build the fake disk");
            }
            ::close(fd);
        }
    }
}

qint64 entriesBelow(const FileSystem& fileSystem, const QString& path) {
    qint64 count = 0;
    const auto folders = fileSystem.contentsOfDirectory(path);
    for (const QString& folder : folders.value_or(QStringList())) {
        count += fileSystem.contentsOfDirectory(path + '/' + folder).value_or(QStringList()).size();
    }
    return count;
}

struct Stopped {
    double latencyMs = 0;
    qint64 longestGuiWaitMs = 0;
    double nextJobMs = 0;
};

double millisecondsSince(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Runs `run` with a stop request made `afterMs` into it, and then a small job on the same worker.
template <typename Run, typename Next>
Stopped stopPartWay(int afterMs, Run run, Next next) {
    const StopToken stop = StopToken::stoppable();
    QElapsedTimer sinceRequest;
    QTimer::singleShot(afterMs, [&] {
        sinceRequest.start();
        stop.requestStop();
    });
    ResponsivenessProbe probe;
    probe.start();
    run(stop);
    Stopped figures;
    figures.latencyMs = sinceRequest.isValid() ? millisecondsSince(sinceRequest) : -1;
    probe.stop();
    figures.longestGuiWaitMs = probe.longestGapMs();
    QElapsedTimer clock;
    clock.start();
    next();
    figures.nextJobMs = millisecondsSince(clock);
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qint64 files = argc > 1 ? QByteArray(argv[1]).toLongLong() : 300'000;
    const int afterMs = argc > 2 ? QByteArray(argv[2]).toInt() : 300;
    const qint64 perFolder = argc > 3 ? std::max(1LL, QByteArray(argv[3]).toLongLong()) : 100;
    QTextStream out(stdout);

    FakeDisk disk;
    const QString target = disk.home() + "/.gradle/caches";
    out << "building a fake disk of " << files << " files...\n";
    out.flush();
    fill(disk, target, files, perFolder);
    const QString small = disk.home() + "/small";
    disk.writeFile(small + "/file", 10);
    const auto fileSystem = disk.fileSystem();

    Scanner scanner(fileSystem);
    const Stopped scan = stopPartWay(
        afterMs,
        [&](const StopToken& stop) {
            const auto found = QCoro::waitFor(scanner.scanAll({}, stop));
            if (!found.isEmpty()) {
                out << "scan: returned targets after a stop\n";
            }
        },
        [&] { QCoro::waitFor(scanner.folderSize(small)); });
    out << "scan stopped after " << afterMs << " ms: ended " << scan.latencyMs
        << " ms after the request, next walk took " << scan.nextJobMs << " ms, longest GUI wait "
        << scan.longestGuiWaitMs << " ms (goal: within 200 ms)\n";

    Cleaner cleaner(fileSystem, std::make_shared<ProcessLauncher>());
    const FolderItem item("Gradle", target, files, CleanupCategory::developerTools,
                          SafetyTier::developer, {}, true, true, std::nullopt, false);
    CleanupResult result;
    const Stopped cleanup = stopPartWay(
        afterMs,
        [&](const StopToken& stop) { result = QCoro::waitFor(cleaner.clean({item}, {}, stop)); },
        [&] {
            QCoro::waitFor(
                cleaner.clean({FolderItem("Small", small, 1, CleanupCategory::safeCaches,
                                          SafetyTier::safe, {}, true, false, std::nullopt, false)},
                              {}));
        });
    out << "cleanup stopped after " << afterMs << " ms: ended " << cleanup.latencyMs
        << " ms after the request, " << entriesBelow(*fileSystem, target) << " of " << files
        << " files left, " << result.succeededCount << " succeeded, next item took "
        << cleanup.nextJobMs << " ms, longest GUI wait " << cleanup.longestGuiWaitMs
        << " ms (goal: within 500 ms)\n";
    return 0;
}
