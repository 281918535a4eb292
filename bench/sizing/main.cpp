// Folder-sizing throughput against `du -s` on the same tree, in the same run.
//
//   bench_sizing [shape=own] [files] [rounds=5] [cold] [whole]
//   bench_sizing <existing folder> [rounds=5] [cold] [whole]
//
// Shapes are described in BenchTrees.h; this benchmark's own is folders of a hundred small files,
// ten to a parent folder (300,000 files unless told). The tree is built in a temporary folder.
// "cold" empties the page cache before every timed run (root only; skipped otherwise). The two
// contenders alternate, and the median of the rounds is compared. The walk measures visible files
// unless told "whole", which counts what `du -s` counts; both figures are then printed.
#include "BenchTrees.h"
#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <vector>

namespace {

double peakResidentMegabytes() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

double seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString shape = args.value(1, QStringLiteral("own"));
    const bool existing = QFileInfo(shape).isDir();
    const int firstOption = existing ? 2 : 3;
    const int rounds = std::max(3, args.value(firstOption, QStringLiteral("5")).toInt());
    bool cold = args.mid(firstOption).contains(QLatin1String("cold"));
    const SizeMeasure measure = args.mid(firstOption).contains(QLatin1String("whole"))
                                    ? SizeMeasure::whole
                                    : SizeMeasure::visibleFiles;
    QTextStream out(stdout);

    QTemporaryDir scratch;
    const QString tree = existing ? QFileInfo(shape).absoluteFilePath() : scratch.path();
    qint64 entries = 0;
    if (existing) {
        QProcess count;
        count.start(QStringLiteral("sh"),
                    {QStringLiteral("-c"), QStringLiteral("find \"$1\" | wc -l"),
                     QStringLiteral("sh"), tree});
        count.waitForFinished(-1);
        entries = count.readAllStandardOutput().trimmed().toLongLong();
    } else {
        const bool cacache = shape == QLatin1String("cacache");
        const bool wide = shape == QLatin1String("wide");
        const bool flat = shape == QLatin1String("flat");
        const bool deep = shape == QLatin1String("deep");
        if (!cacache && !wide && !flat && !deep && shape != QLatin1String("own")) {
            out << "usage: bench_sizing [own|wide|cacache|flat|deep|folder] [files] [rounds] "
                   "[cold] [whole]\n";
            return 1;
        }
        const long files = args.size() > 2 ? args[2].toLong() : (cacache ? 200'000 : 300'000);
        out << "building the " << shape << " shape, " << files << " files, in " << tree << "...\n";
        out.flush();
        bench::TreeMaker maker(8);
        const int top = ::open(QFile::encodeName(tree).constData(), O_RDONLY | O_DIRECTORY);
        if (cacache) {
            bench::buildCacache(maker, top, files);
        } else if (flat) {
            bench::buildTwoLevels(maker, top, files, files, 1);
        } else if (deep) {
            bench::buildDeep(maker, top, files);
        } else {
            bench::buildTwoLevels(maker, top, files, wide ? 25 : 100, wide ? 100 : 10);
        }
        ::close(top);
        entries = maker.figures().files + maker.figures().folders + 1;
    }
    if (cold && !bench::dropCaches()) {
        out << "cold mode needs root to empty the page cache: measuring warm instead\n";
        cold = false;
    }

    const auto fileSystem = FileSystem::system();
    const double peakBefore = peakResidentMegabytes();
    std::vector<double> ours;
    std::vector<double> du;
    qint64 size = 0;
    QByteArray duFigure;
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            if (cold) {
                bench::dropCaches();
            }
            QElapsedTimer timer;
            timer.start();
            if ((turn + round) % 2 == 0) {
                size = fileSystem->allocatedSizeOfTree(tree, {}, measure);
                ours.push_back(seconds(timer));
            } else {
                QProcess process;
                process.start(QStringLiteral("du"),
                              {QStringLiteral("-s"), QStringLiteral("-B1"), tree});
                process.waitForFinished(-1);
                du.push_back(seconds(timer));
                duFigure = process.readAllStandardOutput().split('\t').first();
            }
        }
    }

    const double time = bench::median(ours);
    const double duTime = bench::median(du);
    out << "tree: " << entries << " entries, " << size
        << (measure == SizeMeasure::whole ? " bytes allocated below the top"
                                          : " bytes allocated (visible files only)")
        << "; du -s -B1: " << duFigure << " (the top's own block included)\n";
    out << QStringLiteral("kestrelle walk: %1 s  %2 entries/s\n")
               .arg(time, 0, 'f', 3)
               .arg(double(entries) / time, 0, 'f', 0);
    out << QStringLiteral("du -s:          %1 s  %2 entries/s\n")
               .arg(duTime, 0, 'f', 3)
               .arg(double(entries) / duTime, 0, 'f', 0);
    out << QStringLiteral("peak RSS %1 MB, %2 MB more than before the first walk\n")
               .arg(peakResidentMegabytes(), 0, 'f', 1)
               .arg(peakResidentMegabytes() - peakBefore, 0, 'f', 1);
    out << QStringLiteral("ratio: %1x du -s (median of %2, %3 cache)\n")
               .arg(duTime / time, 0, 'f', 2)
               .arg(rounds)
               .arg(cold ? QStringLiteral("cold") : QStringLiteral("warm"));
    return 0;
}
