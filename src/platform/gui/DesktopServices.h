#pragma once

#include <QString>
#include <QUrl>

// Requests to the desktop: open a URL with its default handler, show a file in the file manager.
// Both return at once and fail silently; nothing here waits on the GUI thread. Views take an
// instance so that tests can see what was asked without a desktop.
class DesktopServices {
public:
    virtual ~DesktopServices();

    // The running desktop.
    static DesktopServices& system();

    // Shows the file or folder at the absolute `path` selected in the file manager.
    virtual void revealInFileManager(const QString& path);
    virtual void openUrl(const QUrl& url);

protected:
    // The next best view where the file manager cannot select the item.
    static void openContainingFolder(const QString& path);
};
