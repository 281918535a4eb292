// kestrelle-scan: runs the real scanner once and prints what it finds, one target a line, largest
// first, every field of its record separated by tabs so that scans can be compared by a script:
// the allocated bytes, the path, the name, the category and tier (raw values), whether it is
// selected, recreated after removal and left to the administrator ("yes" or "no"), its command
// (empty when it has none) and what the figure counts ("whole" for every entry below the target,
// as a removal frees it; "visible" for the files outside hidden entries; "engine" for what a
// container engine reports its prune would free in its data folder).
//
//   kestrelle-scan --home PATH [--root DIR] [--clean TARGET...] [NAME=VALUE...]
//
// The scanner sees the home folder given and, as its whole environment, the NAME=VALUE pairs given
// (none by default, so the defaults of every tool apply). With --root, every absolute path lies
// below DIR. The container engines are found and asked through that environment too: PATH finds
// their programs (below DIR), and DOCKER_HOST, CONTAINER_HOST and their settings choose the engine,
// so that a script can point the scan at a test engine. With --clean, the targets at the paths
// given (as the scan printed them) are removed after the scan by the program's own cleaner,
// exactly as the window would remove them, and the only output is its result: "freed", the bytes
// it counts as freed, how many targets went and how many failed, tab-separated, then one line per
// failure, worded as the window words it.

#include "cleaner/Cleaner.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "scanner/PlatformCatalogue.h"
#include "scanner/Scanner.h"
#include "ui/WindowTexts.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCoroTask>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Scans a home folder and prints the targets."));
    parser.addHelpOption();
    const QCommandLineOption homeOption(
        QStringLiteral("home"), QStringLiteral("The home folder to scan."), QStringLiteral("path"));
    const QCommandLineOption rootOption(QStringLiteral("root"),
                                        QStringLiteral("Folder that stands for the disk's root."),
                                        QStringLiteral("dir"), QStringLiteral("/"));
    const QCommandLineOption cleanOption(
        QStringLiteral("clean"),
        QStringLiteral(
            "After the scan, remove the target at this path with the program's cleaner."),
        QStringLiteral("path"));
    parser.addOptions({homeOption, rootOption, cleanOption});
    parser.addPositionalArgument(QStringLiteral("NAME=VALUE"),
                                 QStringLiteral("Environment the scanner sees."));
    parser.process(app);
    if (!parser.isSet(homeOption)) {
        parser.showHelp(1);
    }

    QHash<QString, QByteArray> environment;
    for (const QString& pair : parser.positionalArguments()) {
        environment.insert(pair.section(QLatin1Char('='), 0, 0),
                           pair.section(QLatin1Char('='), 1).toLocal8Bit());
    }
    const auto fileSystem = FileSystem::rooted(parser.value(rootOption), parser.value(homeOption),
                                               std::move(environment));
    // Every target of the catalogue is measured alike on one system.
    const char* const counts =
        PlatformCatalogue::sizeMeasure() == SizeMeasure::whole ? "whole" : "visible";
    Scanner scanner(fileSystem);
    QList<FolderItem> found = QCoro::waitFor(scanner.scanAll({}));
    QTextStream out(stdout);
    if (parser.isSet(cleanOption)) {
        const QStringList chosen = parser.values(cleanOption);
        for (FolderItem& item : found) {
            item.isSelected = chosen.contains(item.path);
        }
        Cleaner cleaner(fileSystem, ProcessLauncher::system());
        const CleanupResult result = QCoro::waitFor(cleaner.clean(found, {}));
        out << "freed\t" << result.totalFreed << '\t' << result.succeededCount << '\t'
            << result.failedCount << '\n';
        for (const CleanupFailure& failure : result.errors) {
            out << WindowTexts::cleanupFailure(failure) << '\n';
        }
        return result.failedCount == 0 ? 0 : 1;
    }
    for (const FolderItem& item : std::as_const(found)) {
        const auto flag = [](bool set) { return set ? "yes" : "no"; };
        out << item.size << '\t' << item.path << '\t' << item.name << '\t'
            << rawValue(item.category) << '\t' << rawValue(item.safetyTier) << '\t'
            << flag(item.isSelected) << '\t' << flag(item.recreateFolderAfterDelete) << '\t'
            << flag(item.requiresSudo) << '\t' << item.cliCommand.value_or(QString()) << '\t'
            << (item.cliCommand                                         ? "engine"
                : item.category == CleanupCategory::projectBuildFolders ? "whole"
                                                                        : counts)
            << '\n';
    }
    return 0;
}
