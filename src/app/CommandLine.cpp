#include "app/CommandLine.h"

#include <QCommandLineParser>

std::optional<QString> CommandLine::answer(const QStringList& arguments, const QString& version,
                                           qint64 buildNumber) {
    QCommandLineParser parser;
    // Qt's options are single words after one dash (-reverse, -platform): read as long options
    // they are merely unknown, where compacted they would hold an -r or a -v.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(
        QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(versionOption);
    // Unknown options are not an error: they are Qt's, or ignored as they always were.
    parser.parse(arguments);
    if (parser.isSet(help)) {
        return QStringLiteral(
            "Usage: kestrelle [options]\n"
            "Finds disposable caches and stale developer artefacts, shows them by category\n"
            "with their sizes and a safety tier, and permanently deletes the ones you select.\n"
            "Nothing is deleted without a confirmation. A second start shows the window of\n"
            "the one already running.\n"
            "\n"
            "Options:\n"
            "  -h, --help     Displays this help.\n"
            "  -v, --version  Displays version information.\n"
            "Qt's own options, such as -platform and -style, are accepted as well.\n");
    }
    if (parser.isSet(versionOption)) {
        return QStringLiteral("Kestrelle %1 (build %2)\n").arg(version).arg(buildNumber);
    }
    return std::nullopt;
}
