// kestrelle-scan: runs the real scanner once and prints what it finds, one target a line, largest
// first, every field of its record separated by tabs so that scans can be compared by a script:
// the allocated bytes, the path, the name, the category and tier (raw values), whether it is
// selected, recreated after removal and left to the administrator ("yes" or "no"), its command
// (empty when it has none) and what the figure counts ("whole" for every file below the target,
// "visible" for those outside hidden entries).
//
//   kestrelle-scan --home PATH [--root DIR] [--clean TARGET...] [NAME=VALUE...]
//
// The scanner sees the home folder given and, as its whole environment, the NAME=VALUE pairs given
// (none by default, so the defaults of every tool apply). With --root, every absolute path lies
// below DIR. With --clean, the targets at the paths given (as the scan printed them) are removed
// after the scan by the program's own cleaner, exactly as the window would remove them, and the
// only output is its result: "freed", the bytes it counts as freed, how many targets went and how
// many failed, tab-separated, then one line per failure.

#include "cleaner/Cleaner.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "scanner/PlatformCatalogue.h"
#include "scanner/Scanner.h"

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

    QHash<QString, QString> environment;
    for (const QString& pair : parser.positionalArguments()) {
        environment.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    }
    const auto fileSystem = FileSystem::rooted(parser.value(rootOption), parser.value(homeOption),
                                               std::move(environment));
    // This system's own rules measure as their catalogue says; the shared ones leave hidden
    // entries out.
    const PlatformCatalogue platform = PlatformCatalogue::of(*fileSystem, fileSystem->homePath());
    QStringList own = platform.updaterStagingFolders + platform.ndkFolders;
    for (const auto& location : platform.safeCaches + platform.developerTools) {
        own.append(location.path);
    }
    const bool ownWhole = platform.hiddenEntries == HiddenEntries::counted;
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
        for (const QString& error : result.errors) {
            out << error << '\n';
        }
        return result.failedCount == 0 ? 0 : 1;
    }
    for (const FolderItem& item : std::as_const(found)) {
        const bool whole = item.category == CleanupCategory::projectBuildFolders ||
                           (ownWhole && (own.contains(item.path) ||
                                         own.contains(item.path.section(QLatin1Char('/'), 0, -2))));
        const auto flag = [](bool set) { return set ? "yes" : "no"; };
        out << item.size << '\t' << item.path << '\t' << item.name << '\t'
            << rawValue(item.category) << '\t' << rawValue(item.safetyTier) << '\t'
            << flag(item.isSelected) << '\t' << flag(item.recreateFolderAfterDelete) << '\t'
            << flag(item.requiresSudo) << '\t' << item.cliCommand.value_or(QString()) << '\t'
            << (whole ? "whole" : "visible") << '\n';
    }
    return 0;
}
