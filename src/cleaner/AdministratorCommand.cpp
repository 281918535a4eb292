#include "cleaner/AdministratorCommand.h"

#include <algorithm>

namespace {

bool isControl(QChar c) {
    return c.category() == QChar::Other_Control;
}

// Characters that keep a meaning for the shell inside double quotes: expansion, escapes and
// history expansion in an interactive shell.
bool isActiveInDoubleQuotes(QChar c) {
    return c == u'"' || c == u'$' || c == u'`' || c == u'\\' || c == u'!';
}

QString dollarQuoted(const QString& path) {
    QString quoted = QStringLiteral("$'");
    for (QChar c : path) {
        if (isControl(c)) {
            for (const char byte : QString(c).toUtf8()) {
                quoted += QStringLiteral("\\x%1").arg(static_cast<unsigned char>(byte), 2, 16,
                                                      QLatin1Char('0'));
            }
        } else if (c == u'\\' || c == u'\'') {
            quoted += QLatin1Char('\\') + c;
        } else {
            quoted += c;
        }
    }
    return quoted + QLatin1Char('\'');
}

QString shellQuoted(const QString& path) {
    if (std::any_of(path.begin(), path.end(), isControl)) {
        return dollarQuoted(path);
    }
    if (std::any_of(path.begin(), path.end(), isActiveInDoubleQuotes)) {
        QString quoted = path;
        quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
        return QLatin1Char('\'') + quoted + QLatin1Char('\'');
    }
    return QLatin1Char('"') + path + QLatin1Char('"');
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
