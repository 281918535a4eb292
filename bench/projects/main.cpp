// The whole scan (catalogue and project search) of a generated home against `du -s` of that home,
// beside `find HOME -name node_modules -prune`, the project search's walk alone and the size walk
// of the whole home, warm.
//
//   bench_projects [shape=projects] [entries=300000] [rounds=5]
//
// Every shape holds 40 projects of the kinds the search knows (npm, Cargo, Gradle, CMake, Python,
// Maven, .NET, Swift), each with its sources and a build folder; the rest of the entries are:
//   projects  nothing else: the projects' build folders hold about nine entries in ten
//   small     many small folders of the user's own data (4 files each)
//   large     a few folders of tens of thousands of files each
//   deep      chains of folders 400 levels deep, a few files at each level
// The home is built in a temporary folder and scanned as the program scans a home (a rooted file
// system, nothing outside it). The contenders alternate; medians are compared. Everything runs at
// the background priority the scan's walkers have (du and find included), so that other work on
// the machine weighs on every contender alike.
#include "BenchTrees.h"
#include "platform/BackgroundThreads.h"
#include "platform/FileSystem.h"
#include "scanner/ProjectSearch.h"
#include "scanner/Scanner.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// A kind of project: its marker files, its build folder and a file that folder must hold, and the
// shape of what the build tool puts there (files per folder, subfolders per folder).
struct ProjectKind {
    std::vector<std::string> markers;
    std::string buildFolder;
    std::string inside;
    int files;
    int fanOut;
};

const ProjectKind kinds[] = {
    {{"package.json", "package-lock.json"}, "node_modules", "", 6, 30},
    {{"Cargo.toml"}, "target", "", 300, 3},
    {{"settings.gradle.kts"}, "build", "", 12, 8},
    {{"CMakeLists.txt"}, "build", "CMakeCache.txt", 20, 6},
    {{"pyproject.toml"}, ".venv", "pyvenv.cfg", 8, 20},
    {{"pom.xml"}, "target", "", 15, 6},
    {{"App.csproj"}, "obj", "project.assets.json", 25, 5},
    {{"Package.swift"}, ".build", "", 40, 4},
};
constexpr int projectCount = 40;

// Fills the open folder `fd` with about `entries` entries: `files` files in each folder, the rest
// shared among up to `fanOut` subfolders. Returns how many it made.
long fillTree(bench::TreeMaker& maker, int fd, long entries, int files, int fanOut) {
    long made = 0;
    for (int i = 0; i < files && made < entries; ++i, ++made) {
        maker.file(fd, "f" + std::to_string(i) + ".o");
    }
    long left = entries - made;
    const long subfolders = std::min<long>(fanOut, left);
    for (long i = 0; i < subfolders && left > 0; ++i) {
        const int sub = maker.openFolder(fd, "d" + std::to_string(i));
        const long got = 1 + fillTree(maker, sub, left / (subfolders - i) - 1, files, fanOut);
        ::close(sub);
        left -= got;
        made += got;
    }
    return made;
}

void project(bench::TreeMaker& maker, int homeFd, int index, long entries) {
    const ProjectKind& kind = kinds[index % std::size(kinds)];
    const int code = maker.openFolder(homeFd, "code");
    const int folder = maker.openFolder(code, "project-" + std::to_string(index));
    for (const std::string& marker : kind.markers) {
        maker.file(folder, marker);
    }
    // The sources: a tenth of the project.
    const int sources = maker.openFolder(folder, "src");
    fillTree(maker, sources, entries / 10, 10, 4);
    const int build = maker.openFolder(folder, kind.buildFolder);
    if (!kind.inside.empty()) {
        maker.file(build, kind.inside);
    }
    fillTree(maker, build, entries - entries / 10, kind.files, kind.fanOut);
    for (const int fd : {build, sources, folder, code}) {
        ::close(fd);
    }
}

void userData(bench::TreeMaker& maker, int homeFd, const QString& shape, long entries) {
    const int data = maker.openFolder(homeFd, "Documents");
    if (shape == QLatin1String("small")) {
        fillTree(maker, data, entries, 4, 12);
    } else if (shape == QLatin1String("large")) {
        bench::buildTwoLevels(maker, data, entries, 40'000, 2);
    } else if (shape == QLatin1String("deep")) {
        constexpr int depth = 400;
        for (long chain = 0, made = 0; made < entries; ++chain) {
            int fd = maker.openFolder(data, "chain" + std::to_string(chain));
            for (int level = 0; level < depth && made < entries; ++level, made += 3) {
                maker.file(fd, "a");
                maker.file(fd, "b");
                const int next = maker.openFolder(fd, "level-" + std::to_string(level));
                ::close(fd);
                fd = next;
            }
            ::close(fd);
        }
    }
    ::close(data);
}

double seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

double peakResidentMegabytes() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

void runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    process.waitForFinished(-1);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Threads and processes started from here inherit it.
    lowerCurrentThreadPriority();
    const QStringList args = app.arguments();
    const QString shape = args.value(1, QStringLiteral("projects"));
    const long entries = args.value(2, QStringLiteral("300000")).toLong();
    const int rounds = std::max(3, args.value(3, QStringLiteral("5")).toInt());
    QTextStream out(stdout);
    const QStringList shapes{QStringLiteral("projects"), QStringLiteral("small"),
                             QStringLiteral("large"), QStringLiteral("deep")};
    if (!shapes.contains(shape) || entries < 10'000) {
        out << "usage: bench_projects [projects|small|large|deep] [entries>=10000] [rounds]\n";
        return 1;
    }

    QTemporaryDir scratch;
    const QString homeLogical = QStringLiteral("/home/dev");
    const QString home = scratch.path() + homeLogical;
    QDir().mkpath(home);
    out << "building the " << shape << " home, about " << entries << " entries, in " << home
        << "...\n";
    out.flush();
    bench::TreeMaker maker(4096);
    const int homeFd = ::open(QFile::encodeName(home).constData(), O_RDONLY | O_DIRECTORY);
    const long inProjects = shape == QLatin1String("projects") ? entries : entries / 5;
    for (int index = 0; index < projectCount; ++index) {
        project(maker, homeFd, index, inProjects / projectCount);
    }
    userData(maker, homeFd, shape, entries - inProjects);
    ::close(homeFd);
    const long built = maker.figures().files + maker.figures().folders;

    const auto fileSystem = FileSystem::rooted(scratch.path(), homeLogical);
    Scanner scanner(fileSystem);
    qsizetype targets = 0;
    qsizetype projectFolders = 0;
    const double peakBefore = peakResidentMegabytes();
    struct Contender {
        const char* name;
        std::function<void()> run;
        std::vector<double> times = {};
    };
    Contender contenders[] = {
        {"kestrelle scan (catalogue and projects)",
         [&] { targets = QCoro::waitFor(scanner.scanAll({})).size(); }},
        {"project search walk alone",
         [&] {
             projectFolders = ProjectSearch::find(*fileSystem, homeLogical, {}, {},
                                                  QDateTime::currentSecsSinceEpoch(), {})
                                  .size();
         }},
        {"size walk of the whole home",
         [&] { fileSystem->allocatedSizeOfTree(homeLogical, {}, SizeMeasure::whole); }},
        {"du -s",
         [&] {
             runTool(QStringLiteral("du"), {QStringLiteral("-s"), home});
         }},
        {"find -name node_modules -prune",
         [&] {
             runTool(QStringLiteral("find"),
                     {home, QStringLiteral("-name"), QStringLiteral("node_modules"),
                      QStringLiteral("-prune")});
         }},
    };
    // One unmeasured pass of each, so that every contender meets a warm cache.
    for (Contender& contender : contenders) {
        contender.run();
    }
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t turn = 0; turn < std::size(contenders); ++turn) {
            Contender& contender = contenders[(turn + std::size_t(round)) % std::size(contenders)];
            QElapsedTimer timer;
            timer.start();
            contender.run();
            contender.times.push_back(seconds(timer));
        }
    }

    out << "home: " << built << " entries, " << projectFolders << " build folders found, "
        << targets << " targets in the scan\n";
    for (const Contender& contender : contenders) {
        const double time = bench::median(contender.times);
        out << QStringLiteral("%1 %2 s  %3 entries/s\n")
                   .arg(QString::fromLatin1(contender.name), -40)
                   .arg(time, 6, 'f', 3)
                   .arg(double(built) / time, 0, 'f', 0);
    }
    const double scan = bench::median(contenders[0].times);
    const double du = bench::median(contenders[3].times);
    out << QStringLiteral("peak RSS %1 MB, %2 MB more than before the first scan\n")
               .arg(peakResidentMegabytes(), 0, 'f', 1)
               .arg(peakResidentMegabytes() - peakBefore, 0, 'f', 1);
    out << QStringLiteral("scan: %1x du -s (goal 1.5x: %2), median of %3, warm cache\n")
               .arg(du / scan, 0, 'f', 2)
               .arg(du / scan >= 1.5 ? QStringLiteral("met") : QStringLiteral("missed"))
               .arg(rounds);
    return 0;
}
