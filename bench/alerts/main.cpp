// How long the window takes to show the new-version alert for manifests of several shapes, up to
// the largest the update checker accepts: from the checker raising the alert to the alert laid out
// (open) and painted once, on the GUI thread, with the alert's size and whether its buttons are on
// the screen.
//
//   bench_alerts [runs=3]
#include "cleaner/Cleaner.h"
#include "platform/ProcessLauncher.h"
#include "scanner/Scanner.h"
#include "support/FakeDisk.h"
#include "support/LocalHttpServer.h"
#include "ui/ContentView.h"
#include "ui/Theme.h"
#include "update/UpdateChecker.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <functional>
#include <utility>

namespace {

using namespace std::chrono_literals;

// A manifest of a newer release whose notes (and version) are the given JSON string contents.
QByteArray manifest(const QByteArray& version, const QByteArray& notes) {
    return R"({"version": ")" + version + R"(", "build": 99, "releaseNotes": ")" + notes +
           R"(", "downloadURL": "https://example.com/download"})";
}

// The shapes, each within the checker's 64 KiB limit.
QList<std::pair<QByteArray, QByteArray>> shapes() {
    QByteArray lines;
    for (int i = 0; i < 6000; ++i) {
        lines += "Fix " + QByteArray::number(1000 + i) + "\\n";
    }
    QByteArray paragraph;
    while (paragraph.size() < 60'000) {
        paragraph += "Scans are faster and the window stays responsive. ";
    }
    const QByteArray marks = QByteArray("\xcc\x81").repeated(10'000); // U+0301 after one letter
    return {
        {"ordinary notes", manifest("2.0.0", "Faster scans.\\nFewer surprises.")},
        {"6,000 lines", manifest("2.0.0", lines)},
        {"one 60 KB paragraph", manifest("2.0.0", paragraph)},
        {"one 60 KB word", manifest("2.0.0", QByteArray(60'000, 'w'))},
        {"10,000 combining marks on one letter", manifest("2.0.0", "a" + marks)},
        {"10,000 combining marks in the version", manifest("9" + marks, "Faster scans.")},
    };
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 3;
    QTextStream out(stdout);

    FakeDisk disk;
    LocalHttpServer server;
    Scanner scanner(disk.fileSystem());
    Cleaner cleaner(disk.fileSystem(), std::make_shared<ProcessLauncher>());
    UpdateChecker checker(
        server.url("/downloads/version.json"),
        QVariantMap{{"CFBundleShortVersionString", "1.0.0"}, {"CFBundleVersion", "57"}}, 5000ms);

    // Connected before the window's own reaction to the alert flag, so the clock starts first.
    QElapsedTimer clock;
    QObject::connect(&checker, &UpdateChecker::showingUpdateAlertChanged, &app, [&] {
        if (checker.showingUpdateAlert()) {
            clock.start();
        }
    });
    ContentView view({scanner, cleaner, checker, [] { return DiskSpaceInfo{}; }},
                     FolderRow::Environment{disk.home(), nullptr});
    view.resize(Theme::Window::width, Theme::Window::height);
    view.show();
    while (!view.state().hasScanned() || view.state().isBusy()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    // Connected after the window's: the alert is open (shown and laid out) when this runs.
    qint64 opened = -1;
    QObject::connect(&checker, &UpdateChecker::showingUpdateAlertChanged, &app, [&] {
        if (checker.showingUpdateAlert()) {
            opened = clock.elapsed();
        }
    });

    const QRect screen = view.screen()->availableGeometry();
    out << "screen " << screen.width() << "x" << screen.height() << ", " << runs
        << " runs each; figures in ms (fastest / slowest)\n";
    for (const auto& [name, body] : shapes()) {
        qint64 fastestOpen = -1, slowestOpen = 0, fastestShown = -1, slowestShown = 0;
        QSize size;
        bool buttonsOnScreen = true;
        for (int run = 0; run < runs; ++run) {
            server.answer("/downloads/version.json", LocalHttpServer::http(200, body));
            opened = -1;
            checker.checkForUpdates(false);
            QMessageBox* box = nullptr;
            while ((box = view.presentedAlert(ContentView::Alert::newVersion)) == nullptr) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            }
            box->grab(); // one whole paint of the alert and everything in it
            const qint64 shown = clock.elapsed();
            fastestOpen = fastestOpen < 0 ? opened : std::min(fastestOpen, opened);
            slowestOpen = std::max(slowestOpen, opened);
            fastestShown = fastestShown < 0 ? shown : std::min(fastestShown, shown);
            slowestShown = std::max(slowestShown, shown);
            size = box->size();
            for (QAbstractButton* button : box->buttons()) {
                const QRect global(button->mapToGlobal(QPoint()), button->size());
                buttonsOnScreen = buttonsOnScreen && screen.contains(global);
            }
            box->done(QMessageBox::Cancel);
            QCoreApplication::processEvents();
        }
        out << name << " (" << body.size() << " bytes): open " << fastestOpen << " / "
            << slowestOpen << ", painted " << fastestShown << " / " << slowestShown << "; alert "
            << size.width() << "x" << size.height() << ", buttons "
            << (buttonsOnScreen ? "on screen" : "OFF SCREEN") << "\n";
        out.flush();
    }
    out << "goal: every alert open and painted in well under 100 ms, its buttons on screen\n";
    return 0;
}
