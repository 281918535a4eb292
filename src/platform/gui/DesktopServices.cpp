#include "platform/gui/DesktopServices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>

#if defined(Q_OS_MACOS)
#include <QProcess>
#elif defined(Q_OS_LINUX)
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#endif

namespace {

// Without a file manager that can select an item, the folder that holds it is the next best view.
void openContainingFolder(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

} // namespace

DesktopServices::~DesktopServices() = default;

DesktopServices& DesktopServices::system() {
    static DesktopServices instance;
    return instance;
}

void DesktopServices::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void DesktopServices::revealInFileManager(const QString& path) {
#if defined(Q_OS_MACOS)
    QProcess::startDetached(QStringLiteral("/usr/bin/open"), {QStringLiteral("-R"), path});
#elif defined(Q_OS_LINUX)
    // The freedesktop file-manager interface selects the item; a desktop without it (or a call
    // that fails) falls back to opening the folder. The reply is awaited by a watcher, never here.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openContainingFolder(path);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [path](QDBusPendingCallWatcher* finished) {
                         if (finished->isError()) {
                             openContainingFolder(path);
                         }
                         finished->deleteLater();
                     });
#else
    openContainingFolder(path);
#endif
}
