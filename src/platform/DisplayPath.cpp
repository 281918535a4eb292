#include "platform/DisplayPath.h"

QString displayPath(const QString& path, const QString& homePath) {
    if (homePath.isEmpty() || !path.startsWith(homePath)) {
        return path;
    }
    const QStringView rest = QStringView(path).mid(homePath.size());
    if (!rest.isEmpty() && !rest.startsWith(QLatin1Char('/'))) {
        return path;
    }
    return QLatin1Char('~') + rest.toString();
}
