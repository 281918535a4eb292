#include "app/KestrelleApp.h"
#include "platform/gui/DesktopServices.h"
#include "ui/ContentView.h"
#include "update/UpdateChecker.h"

#include <QApplication>
#include <QIcon>
#include <QNetworkProxyFactory>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(KestrelleApp::applicationName());
    QApplication::setApplicationDisplayName(KestrelleApp::applicationName());
    QApplication::setDesktopFileName(QStringLiteral(KESTRELLE_APP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/kestrelle.svg")));

    // The update check goes through the proxy the user's system is set up with.
    QNetworkProxyFactory::setUseSystemConfiguration(true);

    KestrelleApp app(UpdateChecker::shared(), [] {
        return new ContentView(ContentState::sharedServices(), FolderRow::Environment::system());
    });
    app.newWindow();
    return app.exec();
}
