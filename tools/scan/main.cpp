// kestrelle-scan: runs the real scanner once and prints what it finds, one target a line, largest
// first: the allocated bytes, the path, the name and what the figure counts ("whole" for every
// entry below the target, as a removal frees it; "visible" for the files outside hidden entries;
// "engine" for what a container engine reports its prune would free in its data folder), separated
// by tabs.
//
//   kestrelle-scan --home PATH [--root DIR] [NAME=VALUE...]
//
// The scanner sees the home folder given and, as its whole environment, the NAME=VALUE pairs given
// (none by default, so the defaults of every tool apply). With --root, every absolute path lies
// below DIR. The container engines are found and asked through that environment too: PATH finds
// their programs (below DIR), and DOCKER_HOST, CONTAINER_HOST and their settings choose the engine,
// so that a script can point the scan at a test engine.

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
    QTextStream out(stdout);
    for (const FolderItem& item : QCoro::waitFor(scanner.scanAll({}))) {
        out << item.size << '\t' << item.path << '\t' << item.name << '\t'
            << (item.cliCommand ? "engine" : counts) << '\n';
    }
    return 0;
}
