// kestrelle-snapshot: renders the dashboard offscreen to PNG files in a light and a dark palette,
// at device pixel ratio 2 unless QT_SCALE_FACTOR says otherwise.
//
//   kestrelle-snapshot [--out DIR] [--width PIXELS] [--builtin]
//
// It lays out a fake disk in a temporary folder and scans it with the real scanner through the
// rooted file system. When the scan finds nothing (or with --builtin) it shows a built-in list
// of targets instead, so the look can be judged whatever the catalogue finds.

#include "SnapshotData.h"

#include "model/FolderItemList.h"
#include "scanner/Scanner.h"
#include "support/FakeDisk.h"
#include "ui/Dashboard.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoroTask>
#include <QDir>
#include <QPalette>
#include <QStyleFactory>
#include <QTextStream>

#include <algorithm>

namespace {

QPalette lightPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0xEC, 0xEC, 0xEC));
    palette.setColor(QPalette::WindowText, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xF4, 0xF5, 0xF5));
    palette.setColor(QPalette::Text, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::Button, QColor(0xFB, 0xFB, 0xFB));
    palette.setColor(QPalette::ButtonText, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::Highlight, QColor(0x00, 0x7A, 0xFF));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0xF5, 0xF5, 0xF5));
    palette.setColor(QPalette::ToolTipText, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::PlaceholderText, QColor(0, 0, 0, 0x40));
    palette.setColor(QPalette::Light, Qt::white);
    palette.setColor(QPalette::Midlight, QColor(0xE3, 0xE3, 0xE3));
    palette.setColor(QPalette::Mid, QColor(0xC5, 0xC5, 0xC5));
    palette.setColor(QPalette::Dark, QColor(0xA0, 0xA0, 0xA0));
    palette.setColor(QPalette::Shadow, QColor(0x60, 0x60, 0x60));
    return palette;
}

QPalette darkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x32, 0x32, 0x32));
    palette.setColor(QPalette::WindowText, QColor(0xF2, 0xF2, 0xF2));
    palette.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    palette.setColor(QPalette::AlternateBase, QColor(0x2A, 0x2A, 0x2A));
    palette.setColor(QPalette::Text, QColor(0xF2, 0xF2, 0xF2));
    palette.setColor(QPalette::Button, QColor(0x55, 0x55, 0x55));
    palette.setColor(QPalette::ButtonText, QColor(0xF2, 0xF2, 0xF2));
    palette.setColor(QPalette::Highlight, QColor(0x0A, 0x84, 0xFF));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0x2A, 0x2A, 0x2A));
    palette.setColor(QPalette::ToolTipText, QColor(0xF2, 0xF2, 0xF2));
    palette.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 0x40));
    palette.setColor(QPalette::Light, QColor(0x6A, 0x6A, 0x6A));
    palette.setColor(QPalette::Midlight, QColor(0x4A, 0x4A, 0x4A));
    palette.setColor(QPalette::Mid, QColor(0x3A, 0x3A, 0x3A));
    palette.setColor(QPalette::Dark, QColor(0x22, 0x22, 0x22));
    palette.setColor(QPalette::Shadow, Qt::black);
    return palette;
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
    QApplication::processEvents();
    return dashboard.grab().save(file);
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
    parser.setApplicationDescription(QStringLiteral("Renders the dashboard to PNG files."));
    parser.addHelpOption();
    const QCommandLineOption outOption(QStringLiteral("out"),
                                       QStringLiteral("Folder for the PNG files."),
                                       QStringLiteral("dir"), QStringLiteral("."));
    const QCommandLineOption widthOption(QStringLiteral("width"),
                                         QStringLiteral("Width of the dashboard in points."),
                                         QStringLiteral("pixels"), QStringLiteral("800"));
    const QCommandLineOption builtinOption(
        QStringLiteral("builtin"), QStringLiteral("Show the built-in list instead of a scan."));
    parser.addOptions({outOption, widthOption, builtinOption});
    parser.process(app);

    QTextStream out(stdout);
    FakeDisk disk(QStringLiteral("/Users/alex"));
    QList<FolderItem> found;
    if (!parser.isSet(builtinOption)) {
        SnapshotData::populate(disk);
        Scanner scanner(disk.fileSystem());
        found = QCoro::waitFor(scanner.scanAll({}));
        out << "scan of the fake disk found " << found.size() << " targets\n";
    }
    if (found.isEmpty()) {
        found = SnapshotData::builtInItems(disk.home());
        out << "showing the built-in list of " << found.size() << " targets\n";
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
        {QStringLiteral("dashboard-light.png"), lightPalette(), &items},
        {QStringLiteral("dashboard-dark.png"), darkPalette(), &items},
        {QStringLiteral("dashboard-empty.png"), lightPalette(), &empty},
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
    return failures == 0 ? 0 : 1;
}
