// Removal throughput of the program's own removal against `rm -rf`, on identical fresh copies of a
// cache-like tree. Usage: bench_removal [files=300000] [rounds=3] [largest file size=2047]
// With a largest size of 0 every file is empty, which leaves out the freeing of data blocks (slow
// and uneven on volumes that discard freed blocks) and measures the walk and the unlinks alone.
#include "platform/FileSystem.h"
#include "platform/TreeRemover.h"

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

struct TreeShape {
    long files = 0;
    long folders = 0;
    long long bytes = 0;
};

class TreeBuilder {
public:
    TreeBuilder(long files, long folders, unsigned largest)
        : m_perFolder(files / folders)
        , m_extra(files % folders)
        , m_largest(largest) {}

    TreeShape build(const QByteArray& path) {
        m_shape = {};
        m_folderIndex = 0;
        m_seed = 12345;
        if (::mkdir(path.constData(), 0755) != 0) {
            std::perror("mkdir");
            std::exit(1);
        }
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        fill(fd, 0);
        ::close(fd);
        return m_shape;
    }

private:
    void fill(int folderFd, int level) {
        ++m_shape.folders;
        const long files = m_perFolder + (m_folderIndex++ < m_extra ? 1 : 0);
        const std::string data(m_largest, 'c');
        for (long i = 0; i < files; ++i) {
            const std::string name = "entry-" + std::to_string(i) + ".cache";
            const int fd = ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            const auto size = static_cast<std::size_t>(next() % (m_largest + 1));
            if (fd < 0 || ::write(fd, data.data(), size) != static_cast<ssize_t>(size)) {
                std::perror("write");
                std::exit(1);
            }
            ::close(fd);
            ++m_shape.files;
            m_shape.bytes += static_cast<long long>(size);
        }
        if (level == levels) {
            return;
        }
        for (int i = 0; i < fanOut; ++i) {
            const std::string name = "folder-" + std::to_string(i);
            ::mkdirat(folderFd, name.c_str(), 0755);
            const int fd = ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            fill(fd, level + 1);
            ::close(fd);
        }
    }

    unsigned next() {
        m_seed = m_seed * 1103515245u + 12345u;
        return m_seed >> 8;
    }

    long m_perFolder;
    long m_extra;
    unsigned m_largest;
    long m_folderIndex = 0;
    unsigned m_seed = 0;
    TreeShape m_shape;
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

bool runSingleThreaded(const QByteArray& parent, const char* name) {
    const int parentFd = ::open(parent.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat seen {};
    const bool ok = ::fstatat(parentFd, name, &seen, AT_SYMLINK_NOFOLLOW) == 0 &&
                    TreeRemover::remove(parentFd, name, seen, 1) == 0;
    ::close(parentFd);
    return ok;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const long files = argc > 1 ? std::atol(argv[1]) : 300'000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const auto largest = static_cast<unsigned>(argc > 3 ? std::max(0, std::atoi(argv[3])) : 2047);
    long folders = 0;
    for (int level = 0, width = 1; level <= levels; ++level, width *= fanOut) {
        folders += width;
    }
    QTemporaryDir base;
    if (!base.isValid() || files < folders) {
        std::fprintf(stderr, "usage: bench_removal [files >= %ld] [rounds] [largest size]\n",
                     folders);
        return 1;
    }
    // Rooted one folder higher, so that the trees lie as deep as any cache the guard lets go.
    const QFileInfo baseInfo(base.path());
    const auto fileSystem =
        FileSystem::rooted(baseInfo.absolutePath(), QStringLiteral("/home/nobody"));
    const QByteArray root = QFile::encodeName(base.path());
    TreeBuilder builder(files, folders, largest);

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
             return !fileSystem->removeItem(logical).has_value();
         },
         {}},
        {"ours, 1 thread",
         [&](const QByteArray& parent, const QString&) {
             return runSingleThreaded(parent, "tree");
         },
         {}},
    };

    TreeShape shape;
    for (int round = 0; round < rounds; ++round) {
        // Every contender gets its own fresh copy, all built before any is timed; the order of
        // the runs turns each round so that none always goes first.
        for (std::size_t i = 0; i < contenders.size(); ++i) {
            const QByteArray folder = root + "/r" + QByteArray::number(round) + "c" +
                                      QByteArray::number(static_cast<qulonglong>(i));
            ::mkdir(folder.constData(), 0755);
            shape = builder.build(folder + "/tree");
        }
        ::sync();
        for (std::size_t k = 0; k < contenders.size(); ++k) {
            const std::size_t i = (k + static_cast<std::size_t>(round)) % contenders.size();
            const QByteArray folder = root + "/r" + QByteArray::number(round) + "c" +
                                      QByteArray::number(static_cast<qulonglong>(i));
            const QString logical =
                QStringLiteral("/%1/r%2c%3/tree").arg(baseInfo.fileName()).arg(round).arg(i);
            contenders[i].times.push_back(
                seconds([&] { return contenders[i].remove(folder, logical); }));
            ::sync();
        }
    }

    std::printf("tree: %ld files in %ld folders, %.1f MB of data; %d round(s), median times; "
                "%d threads available\n",
                shape.files, shape.folders, static_cast<double>(shape.bytes) / 1e6, rounds,
                QThread::idealThreadCount());
    const double reference = median(contenders[0].times);
    for (const Contender& contender : contenders) {
        const double time = median(contender.times);
        std::printf("  %-16s %8.3f s  %10.0f entries/s  speed vs rm -rf: %.2fx\n", contender.label,
                    time, static_cast<double>(shape.files + shape.folders) / time,
                    reference / time);
    }
    return 0;
}
