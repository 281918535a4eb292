// kestrelle-snapshot: renders the dashboard offscreen to PNG files in a light and a dark palette,
// at device pixel ratio 2 unless QT_SCALE_FACTOR says otherwise.
//
//   kestrelle-snapshot [--out DIR] [--width PIXELS] [--builtin] [--linux]
//   kestrelle-snapshot --populate DIR [--linux]
//
// It also renders the whole window after its first scan, with the cleanup confirmation and the
// result of a real cleanup of the fake disk, and with the new-version alert over long notes.
// --populate only lays the fake disk out below DIR and keeps it, with the home folder at DIR/home,
// for running the real program against it.
//
// It lays out a fake disk in a temporary folder and scans it with the real scanner through the
// rooted file system. When the scan finds nothing (or with --builtin) it shows what the scanner
// finds on a Mac layout instead, so the look can be judged whatever the system's catalogue finds.
// With --linux the fake disk is a Linux developer's home instead of a Mac's.

#include "SnapshotData.h"

#include "cleaner/Cleaner.h"
#include "model/FolderItemList.h"
#include "platform/ProcessLauncher.h"
#include "scanner/Scanner.h"
#include "support/FakeDisk.h"
#include "support/LocalHttpServer.h"
#include "ui/ContentView.h"
#include "ui/Dashboard.h"
#include "ui/Footer.h"
#include "ui/Theme.h"
#include "update/UpdateChecker.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTextStream>

#include <algorithm>

namespace {

// Lets the views take the geometry of their last change before a picture is taken: a state that
// has just changed has its layouts still pending, and a grab would show text cut off by them.
void settle() {
    for (int pass = 0; pass < 3; ++pass) {
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QApplication::processEvents();
    }
}

bool render(FolderItemList& items, const QString& home, int width, const QString& file) {
    Dashboard dashboard(items, FolderRow::Environment{home, nullptr});
    dashboard.setAnimationsEnabled(false);
    dashboard.setDiskInfo(SnapshotData::disk());
    dashboard.resize(width, 600);
    dashboard.show();
    const int height = dashboard.hasHeightForWidth() ? dashboard.heightForWidth(width)
                                                     : dashboard.sizeHint().height();
    dashboard.resize(width, std::max(height, dashboard.minimumSizeHint().height()));
    // The disk card's name comes from a worker; settling lays out its width too.
    settle();
    return dashboard.grab().save(file);
}

void waitUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 30'000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// A dialog drawn over its window the way a sheet sits on it.
QPixmap withDialog(QWidget& window, QMessageBox& box) {
    settle();
    QPixmap shot = window.grab();
    const QPixmap dialog = box.grab();
    QPainter painter(&shot);
    const qreal ratio = shot.devicePixelRatio();
    const QSizeF area = QSizeF(shot.size()) / ratio;
    painter.fillRect(QRectF(QPointF(0, 0), area), QColor(0, 0, 0, 40));
    const QSizeF size = QSizeF(dialog.size()) / dialog.devicePixelRatio();
    const QRectF place(QPointF((area.width() - size.width()) / 2, 60), size);
    painter.setPen(QPen(QColor(0, 0, 0, 60), 1));
    painter.drawRect(place.adjusted(-0.5, -0.5, 0.5, 0.5));
    painter.drawPixmap(place, dialog, QRectF(dialog.rect()));
    return shot;
}

// The whole window on the fake disk: after its first scan (light and dark), with the cleanup
// confirmation, and with the result of really cleaning the selection.
int renderWindows(const FakeDisk& disk, const QDir& folder, QTextStream& out) {
    Scanner scanner(disk.fileSystem());
    Cleaner cleaner(disk.fileSystem(),
                    std::make_shared<ProcessLauncher>(QStringLiteral("/bin/sh")));
    // Asked once, for the new-version alert; only the shell starts update checks on its own.
    LocalHttpServer server;
    UpdateChecker checker(server.url("/downloads/version.json"), std::nullopt);
    int failures = 0;
    const auto save = [&](const QPixmap& shot, const QString& name) {
        const QString file = folder.filePath(name);
        const bool saved = shot.save(file);
        out << (saved ? "wrote " : "could not write ") << file << '\n';
        failures += saved ? 0 : 1;
    };
    for (const bool dark : {true, false}) {
        QApplication::setPalette(Theme::designPalette(dark));
        QMainWindow window;
        window.setWindowTitle(QStringLiteral("Kestrelle"));
        auto* view =
            new ContentView({scanner, cleaner, checker, [] { return SnapshotData::disk(); }},
                            FolderRow::Environment{disk.home(), nullptr});
        view->dashboard()->setAnimationsEnabled(false);
        window.setCentralWidget(view);
        window.resize(Theme::Window::width, Theme::Window::height);
        window.show();
        ContentState& state = view->state();
        waitUntil([&] { return state.statusMessage().startsWith(QLatin1String("Scan complete")); });
        settle();
        save(window.grab(),
             dark ? QStringLiteral("window-dark.png") : QStringLiteral("window-light.png"));
        if (dark) {
            continue;
        }
        // The confirmation says apart what goes to the administrator command.
        for (int position = 0; position < state.items().count(); ++position) {
            if (state.items().item(position).requiresSudo) {
                state.items().setSelected(position, true);
                break;
            }
        }
        view->footer()->cleanButton()->click();
        QMessageBox* confirm = view->presentedAlert(ContentView::Alert::confirm);
        if (!confirm) {
            ++failures;
            continue;
        }
        save(withDialog(window, *confirm), QStringLiteral("window-confirm.png"));
        for (QAbstractButton* button : confirm->buttons()) {
            if (confirm->buttonRole(button) == QMessageBox::DestructiveRole) {
                button->click();
            }
        }
        waitUntil([&] {
            return view->presentedAlert(ContentView::Alert::result) && !state.isScanning();
        });
        if (QMessageBox* result = view->presentedAlert(ContentView::Alert::result)) {
            save(withDialog(window, *result), QStringLiteral("window-result.png"));
            result->done(QMessageBox::Cancel);
        } else {
            ++failures;
        }
        server.answer("/downloads/version.json",
                      LocalHttpServer::http(200, SnapshotData::longManifest()));
        checker.checkForUpdates(false);
        waitUntil([&] { return view->presentedAlert(ContentView::Alert::newVersion) != nullptr; });
        if (QMessageBox* offer = view->presentedAlert(ContentView::Alert::newVersion)) {
            save(withDialog(window, *offer), QStringLiteral("window-update.png"));
        } else {
            ++failures;
        }
    }
    return failures;
}

// The part of a screen grab that its windows cover: the smallest rectangle outside which the
// screen is bare (black).
QImage windowsOf(const QPixmap& screen) {
    const QImage image = screen.toImage().convertToFormat(QImage::Format_RGB32);
    QRect covered;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qRed(line[x]) != 0 || qGreen(line[x]) != 0 || qBlue(line[x]) != 0) {
                covered |= QRect(x, y, 1, 1);
            }
        }
    }
    return covered.isEmpty() ? image : image.copy(covered);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
        qputenv("QT_SCALE_FACTOR", "2");
    }
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Renders the dashboard and the window to PNG files."));
    parser.addHelpOption();
    const QCommandLineOption outOption(QStringLiteral("out"),
                                       QStringLiteral("Folder for the PNG files."),
                                       QStringLiteral("dir"), QStringLiteral("."));
    const QCommandLineOption widthOption(QStringLiteral("width"),
                                         QStringLiteral("Width of the dashboard in points."),
                                         QStringLiteral("pixels"), QStringLiteral("800"));
    const QCommandLineOption builtinOption(
        QStringLiteral("builtin"),
        QStringLiteral("Only the dashboards, from a scan of a Mac layout."));
    const QCommandLineOption populateOption(
        QStringLiteral("populate"),
        QStringLiteral(
            "Only lay out the fake disk below this folder (home: DIR/home) and keep it."),
        QStringLiteral("dir"));
    const QCommandLineOption grabOption(
        QStringLiteral("grab-screen"),
        QStringLiteral("Only save what the screen shows, cropped to its windows (run it on the "
                       "display to capture, whose bare screen is black)."),
        QStringLiteral("file"));
    const QCommandLineOption linuxOption(
        QStringLiteral("linux"), QStringLiteral("Lay out a Linux home instead of a Mac's."));
    parser.addOptions(
        {outOption, widthOption, builtinOption, populateOption, grabOption, linuxOption});
    parser.process(app);

    QTextStream out(stdout);
    if (parser.isSet(grabOption)) {
        QScreen* screen = QGuiApplication::primaryScreen();
        return screen && windowsOf(screen->grabWindow(0)).save(parser.value(grabOption)) ? 0 : 1;
    }
    if (parser.isSet(populateOption)) {
        const QString root = parser.value(populateOption);
        QDir().mkpath(root);
        const FakeDisk disk(QStringLiteral("/home"), root);
        parser.isSet(linuxOption) ? SnapshotData::populateLinux(disk)
                                  : SnapshotData::populate(disk);
        out << "fake disk laid out below " << root << ", home folder " << root << "/home\n";
        return 0;
    }
    const bool linuxHome = parser.isSet(linuxOption);
    FakeDisk disk(linuxHome ? QStringLiteral("/home/alex") : QStringLiteral("/Users/alex"));
    QList<FolderItem> found;
    if (!parser.isSet(builtinOption)) {
        linuxHome ? SnapshotData::populateLinux(disk) : SnapshotData::populate(disk);
        Scanner scanner(disk.fileSystem());
        found = QCoro::waitFor(scanner.scanAll({}));
        out << "scan of the fake disk found " << found.size() << " targets\n";
    }
    if (found.isEmpty()) {
        found = SnapshotData::builtInItems(disk.home());
        out << "showing the scan of a Mac layout with " << found.size() << " targets\n";
    }

    const QDir folder(parser.value(outOption));
    QDir().mkpath(folder.path());
    const int width = std::max(parser.value(widthOption).toInt(), 400);
    FolderItemList items;
    items.replaceAll(found);
    FolderItemList empty;

    struct Shot {
        QString file;
        QPalette palette;
        FolderItemList* items;
    };
    const Shot shots[] = {
        {QStringLiteral("dashboard-light.png"), Theme::designPalette(false), &items},
        {QStringLiteral("dashboard-dark.png"), Theme::designPalette(true), &items},
        {QStringLiteral("dashboard-empty.png"), Theme::designPalette(false), &empty},
    };
    int failures = 0;
    for (const Shot& shot : shots) {
        QApplication::setPalette(shot.palette);
        const QString file = folder.filePath(shot.file);
        if (render(*shot.items, disk.home(), width, file)) {
            out << "wrote " << file << '\n';
        } else {
            out << "could not write " << file << '\n';
            ++failures;
        }
    }
    if (!parser.isSet(builtinOption)) {
        failures += renderWindows(disk, folder, out);
    }
    return failures == 0 ? 0 : 1;
}
