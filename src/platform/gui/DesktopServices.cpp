#include "platform/gui/DesktopServices.h"

#include <QDesktopServices>
#include <QFileInfo>

DesktopServices::~DesktopServices() = default;

DesktopServices& DesktopServices::system() {
    static DesktopServices instance;
    return instance;
}

void DesktopServices::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void DesktopServices::openContainingFolder(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}
