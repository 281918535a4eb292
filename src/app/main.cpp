#include "app/CommandLine.h"
#include "app/KestrelleApp.h"
#include "app/SingleInstance.h"
#include "platform/BundleInfo.h"
#include "platform/gui/DesktopServices.h"
#include "ui/ContentView.h"
#include "update/UpdateChecker.h"

#include <QApplication>
#include <QIcon>
#include <QNetworkProxyFactory>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char** argv) {
    // --help and --version are answered before anything needs a display.
    QStringList arguments;
    for (int index = 0; index < argc; ++index) {
        arguments.append(QString::fromLocal8Bit(argv[index]));
    }
    const QVariantMap bundle = bundleInfoDictionary();
    if (const std::optional<QString> answer = CommandLine::answer(
            arguments, bundle.value(QStringLiteral("CFBundleShortVersionString")).toString(),
            bundle.value(QStringLiteral("CFBundleVersion")).toLongLong())) {
        std::fputs(answer->toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(KestrelleApp::applicationName());
    QApplication::setApplicationDisplayName(KestrelleApp::applicationName());
    QApplication::setDesktopFileName(QStringLiteral(KESTRELLE_APP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/kestrelle.svg")));

    // One program per user: a second start shows the first one's window and ends. The runtime
    // folder is the user's own; without one, the program runs on its own.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    SingleInstance instance(runtime + QStringLiteral("/" KESTRELLE_APP_ID ".socket"));
    if (!runtime.isEmpty() &&
        instance.claim(qgetenv("XDG_ACTIVATION_TOKEN")) == SingleInstance::Role::forwarded) {
        return 0;
    }

    // The update check goes through the proxy the user's system is set up with.
    QNetworkProxyFactory::setUseSystemConfiguration(true);

    KestrelleApp app(UpdateChecker::shared(), [] {
        return new ContentView(ContentState::sharedServices(), FolderRow::Environment::system());
    });
    QObject::connect(&instance, &SingleInstance::activationRequested, &app,
                     &KestrelleApp::bringForward);
    // Once the last window has gone, a later start runs on its own instead of asking this one.
    QObject::connect(&app, &KestrelleApp::allWindowsClosed, &instance, &SingleInstance::release);
    app.newWindow();
    return app.exec();
}
