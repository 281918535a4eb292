// kestrelle-scan: runs the real scanner once and prints what it finds, one target a line, largest
// first, every field of its record separated by tabs so that scans can be compared by a script:
// the allocated bytes, the path, the name, the category and tier (raw values), whether it is
// selected, recreated after removal and left to the administrator ("yes" or "no"), its command
// (empty when it has none) and what the figure counts ("whole" for every file below the target,
// "visible" for those outside hidden entries).
//
//   kestrelle-scan --home PATH [--root DIR] [NAME=VALUE...]
//
// The scanner sees the home folder given and, as its whole environment, the NAME=VALUE pairs given
// (none by default, so the defaults of every tool apply). With --root, every absolute path lies
// below DIR.

#include "platform/FileSystem.h"
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
    parser.addOptions({homeOption, rootOption});
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
    QTextStream out(stdout);
    for (const FolderItem& item : QCoro::waitFor(scanner.scanAll({}))) {
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
