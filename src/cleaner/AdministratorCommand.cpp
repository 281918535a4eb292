#include "cleaner/AdministratorCommand.h"

#include <algorithm>

namespace {

// Characters that keep a meaning for the shell inside double quotes (expansion, escapes, history
// expansion at a prompt), and control characters, which a reader would not see there.
bool needsSingleQuotes(QChar c) {
    return c == u'"' || c == u'$' || c == u'`' || c == u'\\' || c == u'!' ||
           c.category() == QChar::Other_Control;
}

QString shellQuoted(const QString& path) {
    if (std::none_of(path.begin(), path.end(), needsSingleQuotes)) {
        return QLatin1Char('"') + path + QLatin1Char('"');
    }
    // POSIX single quotes keep every character as it is, so every shell reads the bytes back;
    // only a single quote itself has to leave the quotes for a moment.
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

QString administratorCommand(const QStringList& paths) {
    if (paths.isEmpty()) {
        return {};
    }
    QStringList words;
    words.reserve(paths.size());
    for (const QString& path : paths) {
        words.append(shellQuoted(path));
    }
    return QStringLiteral("sudo rm -rf ") + words.join(QLatin1Char(' '));
}
