// Removal throughput of the program's own removal against `rm -rf`, on identical fresh copies of a
// tree. Usage: bench_removal [shape=own] [files] [rounds=3] [largest file size=2047] [cold]
// The program's removal counts what it frees, as a cleanup has it do; the figure is printed.
// Shapes are described in BenchTrees.h; this benchmark's own is three levels of ten folders with
// the files (300,000 unless told) spread evenly over all 1,111 of them.
// With a largest size of 0 every file is empty, which leaves out the freeing of data blocks (slow
// and uneven on volumes that discard freed blocks) and measures the walk and the unlinks alone.
// "cold" empties the page cache before every timed run (root only; skipped otherwise).
#include "BenchTrees.h"
#include "platform/FileSystem.h"
#include "platform/FreedBytes.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Three levels of ten folders, with the files spread evenly over all 1,111 folders, sized from 0
// to a few KiB like the small entries that make up most caches.
constexpr int fanOut = 10;
constexpr int levels = 3;

class OwnShape {
public:
    OwnShape(long files, long folders)
        : m_perFolder(files / folders)
        , m_extra(files % folders) {}

    void build(bench::TreeMaker& maker, int topFd) {
        m_folderIndex = 0;
        fill(maker, topFd, 0);
    }

private:
    void fill(bench::TreeMaker& maker, int folderFd, int level) {
        const long files = m_perFolder + (m_folderIndex++ < m_extra ? 1 : 0);
        for (long i = 0; i < files; ++i) {
            maker.file(folderFd, "entry-" + std::to_string(i) + ".cache");
        }
        if (level == levels) {
            return;
        }
        for (int i = 0; i < fanOut; ++i) {
            const int fd = maker.openFolder(folderFd, "folder-" + std::to_string(i));
            fill(maker, fd, level + 1);
            ::close(fd);
        }
    }

    long m_perFolder;
    long m_extra;
    long m_folderIndex = 0;
};

double seconds(const std::function<bool()>& work) {
    QElapsedTimer clock;
    clock.start();
    if (!work()) {
        std::fprintf(stderr, "removal failed\n");
        std::exit(1);
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

bool runRm(const QByteArray& path) {
    const char* argv[] = {"rm", "-rf", path.constData(), nullptr};
    pid_t child = 0;
    if (::posix_spawnp(&child, "rm", nullptr, nullptr, const_cast<char* const*>(argv), environ) !=
        0) {
        return false;
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string shapeName = argc > 1 ? argv[1] : "own";
    const bool cacache = shapeName == "cacache";
    const bool wide = shapeName == "wide";
    const bool flat = shapeName == "flat";
    const bool deep = shapeName == "deep";
    const long files = argc > 2 ? std::atol(argv[2]) : (cacache ? 200'000 : 300'000);
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const auto largest = static_cast<unsigned>(argc > 4 ? std::max(0, std::atoi(argv[4])) : 2047);
    bool cold = argc > 5 && std::string(argv[5]) == "cold";
    long folders = 0;
    for (int level = 0, width = 1; level <= levels; ++level, width *= fanOut) {
        folders += width;
    }
    QTemporaryDir base;
    if (!base.isValid() || (!cacache && !wide && !flat && !deep && shapeName != "own") ||
        (shapeName == "own" && files < folders)) {
        std::fprintf(
            stderr,
            "usage: bench_removal [own|wide|cacache|flat|deep] [files] [rounds] [largest size] "
            "[cold]\n");
        return 1;
    }
    if (cold && !bench::dropCaches()) {
        std::printf("cold mode needs root to empty the page cache: measuring warm instead\n");
        cold = false;
    }
    // Rooted one folder higher, so that the trees lie as deep as any cache the guard lets go.
    const QFileInfo baseInfo(base.path());
    const auto fileSystem =
        FileSystem::rooted(baseInfo.absolutePath(), QStringLiteral("/home/nobody"));
    const QByteArray root = QFile::encodeName(base.path());
    OwnShape own(files, folders);
    const auto build = [&](const QByteArray& path) {
        bench::TreeMaker maker(largest);
        const int parent = ::open(path.left(path.lastIndexOf('/')).constData(),
                                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int top = maker.openFolder(parent, "tree");
        if (cacache) {
            bench::buildCacache(maker, top, files);
        } else if (deep) {
            bench::buildDeep(maker, top, files);
        } else if (wide || flat) {
            bench::buildTwoLevels(maker, top, files, flat ? files : 25, flat ? 1 : 100);
        } else {
            own.build(maker, top);
        }
        ::close(top);
        ::close(parent);
        return maker.figures();
    };

    qint64 lastFreed = 0;
    struct Contender {
        const char* label;
        std::function<bool(const QByteArray& parent, const QString& logical)> remove;
        std::vector<double> times;
    };
    std::vector<Contender> contenders{
        {"rm -rf",
         [&](const QByteArray& parent, const QString&) { return runRm(parent + "/tree"); },
         {}},
        {"ours",
         [&](const QByteArray&, const QString& logical) {
             FreedBytes freed;
             const bool removed = !fileSystem->removeItem(logical, {}, &freed).has_value();
             lastFreed = freed.total();
             return removed;
         },
         {}},
    };

    bench::TreeFigures shape;
    for (int round = 0; round < rounds; ++round) {
        // Every contender gets its own fresh copy, all built before any is timed; the order of
        // the runs turns each round so that none always goes first.
        for (std::size_t i = 0; i < contenders.size(); ++i) {
            const QByteArray folder = root + "/r" + QByteArray::number(round) + "c" +
                                      QByteArray::number(static_cast<qulonglong>(i));
            ::mkdir(folder.constData(), 0755);
            shape = build(folder + "/tree");
        }
        ::sync();
        for (std::size_t k = 0; k < contenders.size(); ++k) {
            const std::size_t i = (k + static_cast<std::size_t>(round)) % contenders.size();
            const QByteArray folder = root + "/r" + QByteArray::number(round) + "c" +
                                      QByteArray::number(static_cast<qulonglong>(i));
            const QString logical =
                QStringLiteral("/%1/r%2c%3/tree").arg(baseInfo.fileName()).arg(round).arg(i);
            if (cold) {
                bench::dropCaches();
            }
            contenders[i].times.push_back(
                seconds([&] { return contenders[i].remove(folder, logical); }));
            ::sync();
        }
    }

    std::printf("%s tree: %ld files in %ld folders, %.1f MB of data; %d round(s), median times, "
                "%s cache; %d threads available\n",
                shapeName.c_str(), shape.files, shape.folders,
                static_cast<double>(shape.bytes) / 1e6, rounds, cold ? "cold" : "warm",
                QThread::idealThreadCount());
    std::printf("  the last removal counted %.1f MB freed\n", static_cast<double>(lastFreed) / 1e6);
    const double reference = bench::median(contenders[0].times);
    for (const Contender& contender : contenders) {
        const double time = bench::median(contender.times);
        std::printf("  %-16s %8.3f s  %10.0f entries/s  speed vs rm -rf: %.2fx\n", contender.label,
                    time, static_cast<double>(shape.files + shape.folders) / time,
                    reference / time);
    }
    return 0;
}
