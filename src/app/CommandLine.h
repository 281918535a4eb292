#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the program answers on its command line, as desktop programs do: -h or --help and -v or
// --version print a text and end the program before anything else happens (no display is needed,
// no window opens, nothing is scanned). The program takes no other arguments: whatever else is
// given, Qt's own options among it, is left to Qt and otherwise ignored.
class CommandLine {
public:
    // The text to print for `arguments` (the program's name first), or nothing when the program
    // is to run. Help wins over the version when both are asked for.
    static std::optional<QString> answer(const QStringList& arguments, const QString& version,
                                         qint64 buildNumber);
};
