// Built on every system but Linux (src/CMakeLists.txt): written for macOS.

#include "platform/gui/DesktopServices.h"

#include <QProcess>

void DesktopServices::revealInFileManager(const QString& path) {
    // `open -R` selects the item in the Finder; where there is no such command, the folder opens.
    if (!QProcess::startDetached(QStringLiteral("/usr/bin/open"), {QStringLiteral("-R"), path})) {
        openContainingFolder(path);
    }
}
