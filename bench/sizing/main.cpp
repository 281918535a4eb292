// Folder-sizing throughput against `du -s` on the same tree, in the same run.
//
//   bench_sizing [files=300000] [existing-tree]
//
// Without a tree argument it builds one in a temporary folder, shaped like a package cache:
// folders of a hundred small files, ten to a parent folder.
#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

qint64 buildTree(const QString& top, qint64 files) {
    qint64 entries = 0;
    const QByteArray base = QFile::encodeName(top);
    for (qint64 made = 0, folder = 0; made < files; ++folder) {
        const QByteArray parent = base + "/p" + QByteArray::number(folder / 10);
        const QByteArray dir = parent + "/d" + QByteArray::number(folder);
        if (folder % 10 == 0) {
            ::mkdir(parent.constData(), 0755);
            ++entries;
        }
        ::mkdir(dir.constData(), 0755);
        ++entries;
        for (int i = 0; i < 100 && made < files; ++i, ++made) {
            const QByteArray file = dir + "/f" + QByteArray::number(i);
            const int fd = ::open(file.constData(), O_WRONLY | O_CREAT, 0644);
            if (fd < 0 || ::write(fd, "kestrelle", 9) != 9) {
                qFatal("cannot build the tree");
            }
            ::close(fd);
            ++entries;
        }
    }
    return entries;
}

double seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 files = args.size() > 1 ? args[1].toLongLong() : 300'000;
    QTemporaryDir scratch;
    QString tree = args.size() > 2 ? args[2] : scratch.path();
    QTextStream out(stdout);

    qint64 entries = 0;
    if (args.size() > 2) {
        QProcess count;
        count.start(QStringLiteral("sh"),
                    {QStringLiteral("-c"), QStringLiteral("find \"$1\" | wc -l"),
                     QStringLiteral("sh"), tree});
        count.waitForFinished(-1);
        entries = count.readAllStandardOutput().trimmed().toLongLong();
    } else {
        out << "building " << files << " files in " << tree << "...\n";
        out.flush();
        entries = buildTree(tree, files);
    }

    const auto fileSystem = FileSystem::system();
    double best = 1e9;
    double bestDu = 1e9;
    qint64 size = 0;
    constexpr int rounds = 5;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        size = fileSystem->allocatedSizeOfTree(tree);
        best = std::min(best, seconds(timer));

        timer.restart();
        QProcess du;
        du.setStandardOutputFile(QProcess::nullDevice());
        du.start(QStringLiteral("du"), {QStringLiteral("-s"), tree});
        du.waitForFinished(-1);
        bestDu = std::min(bestDu, seconds(timer));
    }

    out << "tree: " << entries << " entries, " << size << " bytes allocated (files only)\n";
    out << QStringLiteral("kestrelle walk: %1 s  %2 entries/s\n")
               .arg(best, 0, 'f', 3)
               .arg(double(entries) / best, 0, 'f', 0);
    out << QStringLiteral("du -s:          %1 s  %2 entries/s\n")
               .arg(bestDu, 0, 'f', 3)
               .arg(double(entries) / bestDu, 0, 'f', 0);
    out << QStringLiteral("ratio: %1x du -s (best of %2, warm cache)\n")
               .arg(bestDu / best, 0, 'f', 2)
               .arg(rounds);
    if (args.size() <= 2) {
        QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), tree});
    }
    return 0;
}
