#include "app/CommandLine.h"
#include "app/KestrelleApp.h"
#include "app/SingleInstance.h"
#include "cleaner/Cleaner.h"
#include "model/ByteFormatter.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/gui/DesktopServices.h"
#include "scanner/Scanner.h"
#include "support/FakeDisk.h"
#include "support/Fixtures.h"
#include "support/LocalHttpServer.h"
#include "support/LoopTicks.h"
#include "support/Trees.h"
#include "ui/CapsuleLabel.h"
#include "ui/CategorySection.h"
#include "ui/CollapseButton.h"
#include "ui/ContentView.h"
#include "ui/Dashboard.h"
#include "ui/DiskCard.h"
#include "ui/Footer.h"
#include "ui/PlainButton.h"
#include "ui/TextLabel.h"
#include "ui/Theme.h"
#include "ui/UsageBar.h"
#include "ui/WindowTexts.h"
#include "update/UpdateChecker.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoroTask>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMap>
#include <QMenuBar>
#include <QMessageBox>
#include <QMutex>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// The fake disk's file system, noting what the footer's status had last painted as each removal
// began (the removal runs on a worker, the painting on the GUI thread), and holding size walks
// while `holdWalks` is set, until they are told to stop: a scan of this small disk may otherwise
// end before a test can look at it running.
class WatchedFileSystem final : public FileSystem {
public:
    explicit WatchedFileSystem(const FakeDisk& disk)
        : FileSystem(QFile::encodeName(disk.root()), disk.home()) {}
    qint64 allocatedSizeOfTree(const QString& path, const StopToken& stop,
                               SizeMeasure measure) const override {
        while (holdWalks.load() && !stop.stopRequested()) {
            QThread::msleep(2);
        }
        return FileSystem::allocatedSizeOfTree(path, stop, measure);
    }
    std::optional<RemovalFailure> removeItem(const QString& path, const StopToken& stop,
                                             FreedBytes* freed) const override {
        {
            const QMutexLocker lock(&mutex);
            paintedAtRemoval.append({path, painted});
        }
        return FileSystem::removeItem(path, stop, freed);
    }
    mutable QMutex mutex;
    QString painted;
    mutable QList<std::pair<QString, QString>> paintedAtRemoval;
    std::atomic<bool> holdWalks{false};
};

// A fake disk with one target of each treatment, and everything a window needs around it.
struct Rig {
    FakeDisk disk;
    LocalHttpServer server;
    FakeDesktop desktop;
    std::shared_ptr<WatchedFileSystem> fileSystem = std::make_shared<WatchedFileSystem>(disk);
    Scanner scanner{fileSystem};
    Cleaner cleaner{fileSystem, std::make_shared<ProcessLauncher>(QStringLiteral("/bin/sh"))};
    UpdateChecker checker{
        server.url("/downloads/version.json"),
        QVariantMap{{"CFBundleShortVersionString", "1.0.0"}, {"CFBundleVersion", "57"}}, 2000ms};
    DiskSpaceInfo figures{500'000'000'000, 100'000'000'000};
    qint64 pipBytes = 0;

    Rig() {
        pipBytes = disk.writeFile(disk.home() + pipWheel, 300'000);
        disk.writeFile(disk.home() + "/.npm/_cacache/content/b", 200'000);
        disk.writeFile(disk.home() + "/.npm/_cacache/index/c", 5'000);
        // The largest: the administrator target comes first in the list.
        disk.writeFile("/Library/Audio/Plug-Ins/VST/Old.vst/binary", 400'000);
    }

    ContentState::Services services() {
        return {scanner, cleaner, checker, [this] { return figures; }};
    }

    // Makes the window's selection a shell command that holds until release() (or until the fake
    // disk is gone), then the pip cache, which a run that stops after the command must leave alone.
    void holdCleanup(ContentState& state) const {
        const QString line = QStringLiteral("touch '%1'; while [ ! -e '%2' ] && [ -e '%1' ]; do "
                                            "sleep 0.02; done")
                                 .arg(disk.real("/started"), disk.real("/release"));
        state.items().replaceAll(
            {item({.name = "Tool", .bytes = 7, .policy = {.isSelected = true}, .command = line}),
             item({.name = "pip",
                   .bytes = pipBytes,
                   .policy = {.isSelected = true, .recreateFolderAfterDelete = true}})});
    }
    bool commandStarted() const { return QFile::exists(disk.real("/started")); }
    void release() const { disk.writeFile("/release", 1); }
    bool pipLeft() const { return QFile::exists(disk.real(disk.home() + pipWheel)); }
    static constexpr const char* pipWheel = "/Library/Caches/pip/wheels/a.whl";
    FolderRow::Environment environment() { return {disk.home(), &desktop}; }
    // A window's content, as the program makes one for each window.
    ContentView* newView() { return new ContentView(services(), environment()); }
};

// The program's shell over a rig, with one window open.
struct Shell {
    explicit Shell(Rig& rig)
        : app(rig.checker, [&rig] { return rig.newView(); }) {}
    KestrelleApp app;
    QPointer<QMainWindow> window = app.newWindow();
    ContentView* view = static_cast<ContentView*>(window->centralWidget());
    ContentState& state = view->state();
};

QPushButton* buttonNamed(QMessageBox* box, const QString& text) {
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text) {
            return qobject_cast<QPushButton*>(button);
        }
    }
    return nullptr;
}

// Threads of this process that background pools started (and the walkers they started in turn,
// which inherit the name); none may outlive the event loop.
int pooledThreads() {
    int count = 0;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs)) {
        QFile name(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        count +=
            name.open(QIODevice::ReadOnly) && name.readAll().startsWith("Thread (pooled") ? 1 : 0;
    }
    return count;
}

// Calls back with a label's text each time it is about to be painted.
class PaintWatch : public QObject {
public:
    PaintWatch(TextLabel* label, std::function<void(const QString&)> seen)
        : m_seen(std::move(seen)) {
        label->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            m_seen(static_cast<TextLabel*>(watched)->text());
        }
        return false;
    }

private:
    std::function<void(const QString&)> m_seen;
};

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void statusLineFollowsTheScan() {
        Rig rig;
        ContentView view(rig.services(), rig.environment());
        ContentState& state = view.state();
        Dashboard* dashboard = view.dashboard();
        QStringList seen{state.statusLine()};
        // Until a scan has finished, an empty list is not "nothing found": the content area
        // shows a spinner with the status line instead of the empty state.
        bool emptyStateTooEarly = false;
        connect(&state, &ContentState::changed, this, [&] {
            if (seen.last() != state.statusLine()) {
                seen.append(state.statusLine());
            }
            if (state.isScanning() && state.items().isEmpty()) {
                emptyStateTooEarly |= !dashboard->emptyState()->isHidden() ||
                                      dashboard->scanningState()->isHidden() ||
                                      dashboard->scanningStatus()->text() != state.statusLine();
            }
        });
        QCoro::waitFor(state.launch());
        QVERIFY(!emptyStateTooEarly);
        // The window's own lines around one line for each step of the scan, in order: the
        // categories, the projects and the container engines.
        QStringList expected{WindowTexts::readyToScan(), WindowTexts::scanningStorage()};
        for (int step = 0; step <= int(ScanStep::containerEngines); ++step) {
            expected.append(WindowTexts::scanStep(ScanStep(step)));
        }
        QCOMPARE(seen, expected << WindowTexts::scanComplete(3));
    }

    void cleanButtonNeedsBytesNotJustASelection() {
        Rig rig;
        ContentView view(rig.services(), rig.environment());
        ContentState& state = view.state();
        view.show();
        QTRY_VERIFY(state.hasScanned() && !state.isBusy());
        state.items().replaceAll(
            {item({.name = "empty", .bytes = 0, .policy = {.isSelected = true}}),
             item({.name = "full", .bytes = 10}),
             item({.name = "APT", .bytes = 1'590'000'000, .policy = {.requiresSudo = true}})});
        Footer* footer = view.footer();
        QVERIFY(!footer->cleanButton()->isEnabled());
        QVERIFY(!footer->selectionSummary()->isHidden());
        state.items().setSelected(1, true);
        QVERIFY(footer->cleanButton()->isEnabled());
        QVERIFY(footer->cleanButton()->text().contains(formatBytes(10)));

        // A target only the administrator command removes frees nothing in the cleanup, yet a run
        // of it alone is how the user gets the command.
        state.setAllSelected(false);
        state.items().setSelected(2, true);
        QVERIFY(footer->cleanButton()->isEnabled());
        QCOMPARE(footer->cleanButton()->text(), QStringLiteral("Clean Selected (0 B)"));
        QVERIFY(footer->cleanButton()->toolTip().startsWith("1 system item(s) (1.59 GB) "));
        QTest::mouseClick(footer->cleanButton(), Qt::LeftButton);
        QMessageBox* confirm = view.presentedAlert(ContentView::Alert::confirm);
        QCOMPARE(confirm->informativeText(), footer->cleanButton()->toolTip());
        buttonNamed(confirm, "Continue")->click();
        QTRY_VERIFY(view.presentedAlert(ContentView::Alert::result));
        QVERIFY(
            buttonNamed(view.presentedAlert(ContentView::Alert::result), "Copy Root Sudo Command"));

        QTRY_VERIFY(!state.isBusy());
        state.setAllSelected(false);
        QVERIFY(footer->selectionSummary()->isHidden());
        QVERIFY(!footer->cleanButton()->isEnabled());
    }

    void cleanupThroughConfirmationRemovesReportsAndRescans() {
        Rig rig;
        ContentView view(rig.services(), rig.environment());
        ContentState& state = view.state();
        view.show();
        QTRY_COMPARE(state.statusMessage(), WindowTexts::scanComplete(3));
        QTest::mouseClick(view.dashboard()->selectAllButton(), Qt::LeftButton);

        // Every report as painted; the status block takes the free space without clipping it, and
        // the buttons keep their natural width.
        Footer* footer = view.footer();
        QStringList painted;
        bool clipped = false;
        PaintWatch watch(footer->statusLabel(), [&](const QString& text) {
            if (state.isCleaning() && !text.isEmpty() &&
                (painted.isEmpty() || painted.last() != text)) {
                painted.append(text);
                const QMutexLocker lock(&rig.fileSystem->mutex);
                rig.fileSystem->painted = text;
            }
            clipped |=
                footer->statusLabel()->isElided(footer->statusLabel()->width()) ||
                footer->rescanButton()->width() != footer->rescanButton()->sizeHint().width();
        });
        bool rescanUnderResult = false;
        connect(&state, &ContentState::changed, this,
                [&] { rescanUnderResult |= state.isScanning() && state.showingResultAlert(); });
        QStringList order;
        QHash<QString, QString> reportOf;
        for (const FolderItem& item : state.items().items()) {
            order.append(reportOf[item.path] = "Cleaning " + item.name + "...");
        }

        qint64 shownForCaches = 0;
        qint64 leftForAdministrator = 0;
        for (const FolderItem& target : state.items().items()) {
            (target.requiresSudo ? leftForAdministrator : shownForCaches) += target.size;
        }
        QTest::mouseClick(view.footer()->cleanButton(), Qt::LeftButton);
        QMessageBox* confirm = view.presentedAlert(ContentView::Alert::confirm);
        QVERIFY(confirm);
        // The figures promise what the run removes; the administrator target goes to the command.
        const QString size = formatBytes(shownForCaches);
        QCOMPARE(footer->cleanButton()->text(), "Clean Selected (" + size + ")");
        QVERIFY(confirm->informativeText().startsWith(
            "This will permanently remove 2 selected item(s) to recover " + size));
        QVERIFY(confirm->informativeText().contains(
            "\n\n1 system item(s) (" + formatBytes(leftForAdministrator) + ") require "));
        QPushButton* remove = buttonNamed(confirm, "Permanently Delete (" + size + ")");
        QVERIFY(remove);
        QCOMPARE(confirm->buttonRole(remove), QMessageBox::DestructiveRole);
        QVERIFY(confirm->defaultButton() != remove);
        remove->click();

        QTRY_VERIFY(view.presentedAlert(ContentView::Alert::result));
        QTRY_COMPARE(state.statusMessage(), WindowTexts::scanComplete(1));

        // Reports are painted in list order; the removal hook proves that each report of an item
        // that touches the disk was on screen before the item was.
        qsizetype next = 0;
        for (const QString& text : std::as_const(painted)) {
            next = order.indexOf(text, next);
            QVERIFY2(next >= 0, qPrintable(text));
            ++next;
        }
        QVERIFY(!clipped);
        // Each item's report was on screen before its removal began.
        QCOMPARE(rig.fileSystem->paintedAtRemoval.size(), 2);
        for (const auto& [path, shown] : std::as_const(rig.fileSystem->paintedAtRemoval)) {
            QCOMPARE(shown, reportOf.value(path));
        }
        QVERIFY(rescanUnderResult);
        QCOMPARE(state.currentlyCleaningName(), order.last()); // kept after the run
        QCOMPARE(state.cleanupProgress(), 2.0 / 3.0);

        const CleanupResult& result = *state.lastResult();
        // The two caches' removals freed what their rows showed.
        QCOMPARE(result.totalFreed, shownForCaches);
        QCOMPARE(result.succeededCount, 2);
        QCOMPARE(result.failedCount, 0);
        QCOMPARE(result.sudoCommandsRequired, QStringList{"/Library/Audio/Plug-Ins/VST"});
        // Both caches are emptied and made again, so their tools find them where they expect.
        for (const char* cache : {"/.npm/_cacache", "/Library/Caches/pip"}) {
            const QString folder = rig.disk.real(rig.disk.home() + cache);
            QVERIFY(entryExists(QFile::encodeName(folder)));
            QVERIFY(QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        }

        QMessageBox* outcome = view.presentedAlert(ContentView::Alert::result);
        QVERIFY(outcome->informativeText().contains(
            "\n\nNote: 1 system item(s) require administrator privileges."));
        QPushButton* copy = buttonNamed(outcome, "Copy Root Sudo Command");
        QVERIFY(copy);
        copy->click();
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral(R"(sudo rm -rf "/Library/Audio/Plug-Ins/VST")"));
        QTRY_VERIFY(!view.presentedAlert(ContentView::Alert::result));
        QVERIFY(!state.showingResultAlert());

        // The home folder itself is never removed: the run says so in its details and offers no
        // command when nothing needs one. A name that would add a line, or turn the rest of its
        // line around, shows marks instead.
        state.items().replaceAll({item({.name = "Home\nAll other items were removed.\u202Efdp.exe",
                                        .path = rig.disk.home(),
                                        .bytes = 4096,
                                        .policy = {.isSelected = true}})});
        QCoro::waitFor(state.performCleanup());
        QTRY_VERIFY(view.presentedAlert(ContentView::Alert::result));
        outcome = view.presentedAlert(ContentView::Alert::result);
        const QString shown = "Home\uFFFDAll other items were removed.\uFFFDfdp.exe";
        QCOMPARE(state.currentlyCleaningName(), "Cleaning " + shown + "...");
        QCOMPARE(outcome->detailedText(), shown + ": Not removed: protected location");
        QVERIFY(!buttonNamed(outcome, "Copy Root Sudo Command"));
    }

    void updateAlertsFollowTheChecker() {
        Rig rig;
        ContentView view(rig.services(), rig.environment());
        view.show();
        UpdateChecker& checker = rig.checker;

        // The manifest is outside text: markup, entities and links in it stay the characters they
        // are.
        const QByteArray hostile =
            "{\"version\": \"3.0<b></b>&lt;\", \"build\": 57, \"releaseNotes\": "
            "\"<a href=\\\"smb://h/s\\\">Notes</a> file:///etc\", "
            "\"downloadURL\": \"https://example.com/download\"}";
        rig.server.answer("/downloads/version.json", LocalHttpServer::http(200, hostile));
        checker.checkForUpdates(false);
        QTRY_VERIFY(view.presentedAlert(ContentView::Alert::newVersion));
        QMessageBox* offer = view.presentedAlert(ContentView::Alert::newVersion);
        QVERIFY(offer->informativeText().startsWith("Kestrelle 3.0<b></b>&lt; is now available"));
        const QList<QLabel*> labels = offer->findChildren<QLabel*>();
        QVERIFY(labels.size() >= 2);
        for (QLabel* label : labels) {
            QCOMPARE(label->textFormat(), Qt::PlainText); // so no link can be followed either
        }
        buttonNamed(offer, "Download Update")->click();
        QCOMPARE(rig.desktop.opened, QList<QUrl>{QUrl("https://example.com/download")});
        QVERIFY(!checker.showingUpdateAlert());

        rig.server.answer("/downloads/version.json", LocalHttpServer::http(404, "gone"));
        checker.checkForUpdates(true);
        QTRY_VERIFY(view.presentedAlert(ContentView::Alert::checkFailed));
        QMessageBox* failed = view.presentedAlert(ContentView::Alert::checkFailed);
        // The server answered, but not with a manifest.
        QCOMPARE(failed->informativeText(), WindowTexts::checkFailedMessage(true));
        QVERIFY(!view.presentedAlert(ContentView::Alert::upToDate));
        buttonNamed(failed, "OK")->click();
        QVERIFY(!checker.checkFailedAlert());

        rig.server.answer("/downloads/version.json", LocalHttpServer::http(200, manifest("1.0.0")));
        checker.checkForUpdates(true);
        QTRY_VERIFY(view.presentedAlert(ContentView::Alert::upToDate));
        // Dismissed elsewhere (another window): this one closes too.
        checker.setUpToDateAlert(false);
        QTRY_VERIFY(!view.presentedAlert(ContentView::Alert::upToDate));
    }

    // Manifest texts that would disguise themselves, or take seconds to lay out and push the
    // buttons off screen: the alert shows a short excerpt of them, with marks, and fits the screen.
    void newVersionAlertShowsAnExcerpt_data() {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QByteArray>("notes"); // as written inside the JSON string
        QTest::addColumn<QString>("shown");
        const auto head = [](const QString& version) {
            return "Kestrelle " + version + " is now available (you have 1.0.0).\n\n";
        };
        const QByteArray marks = QByteArray("\xcc\x81").repeated(10'000); // U+0301
        QByteArray lines;
        QStringList eight;
        for (int i = 0; i < 6000; ++i) {
            lines += "Fix " + QByteArray::number(1000 + i) + "\\n";
            if (i < 8) {
                eight += "Fix " + QString::number(1000 + i);
            }
        }
        QTest::newRow("overrides and separators")
            << QByteArray("2.0.0\\u202e1")
            << QByteArray("See:\\u2028curl x | sudo sh\\u2029https://\\u202emoc.elpmaxe\\u0085")
            << head("2.0.0\uFFFD1") +
                   "See:\uFFFDcurl x | sudo sh\uFFFDhttps://\uFFFDmoc.elpmaxe\uFFFD";
        QTest::newRow("6,000 lines")
            << QByteArray("2.0.0") << lines << head("2.0.0") + eight.join('\n') + "\u2026";
        QTest::newRow("10,000 combining marks on one letter")
            << QByteArray("2.0.0") << "a" + marks + " b"
            << head("2.0.0") + "a" + QString(4, QChar(0x301)) + " b";
        QTest::newRow("10,000 combining marks in the version")
            << "9" + marks << QByteArray("Faster.")
            << head("9" + QString(4, QChar(0x301))) + "Faster.";
    }
    void newVersionAlertShowsAnExcerpt() {
        QFETCH(QByteArray, version);
        QFETCH(QByteArray, notes);
        QFETCH(QString, shown);
        Rig rig;
        ContentView view(rig.services(), rig.environment());
        view.show();
        rig.server.answer("/downloads/version.json",
                          LocalHttpServer::http(200, R"({"version": ")" + version +
                                                         R"(", "build": 57, "releaseNotes": ")" +
                                                         notes + R"(", "downloadURL": ""})"));
        rig.checker.checkForUpdates(false);
        QTRY_VERIFY(view.presentedAlert(ContentView::Alert::newVersion));
        QMessageBox* offer = view.presentedAlert(ContentView::Alert::newVersion);
        QStringList texts;
        for (QLabel* label : offer->findChildren<QLabel*>()) {
            texts.append(label->text());
        }
        QVERIFY2(texts.contains(shown), qPrintable(texts.join("|").left(500)));
        const QRect screen = offer->screen()->availableGeometry();
        for (QAbstractButton* button : offer->buttons()) {
            QVERIFY(screen.contains(QRect(button->mapToGlobal(QPoint()), button->size())));
        }
    }

    // The desktop's button layout orders roles its own way; the alerts' order is fixed.
    void alertButtonOrder_data() {
        QTest::addColumn<int>("layout");
        QTest::newRow("Windows") << int(QDialogButtonBox::WinLayout);
        QTest::newRow("macOS") << int(QDialogButtonBox::MacLayout);
        QTest::newRow("KDE") << int(QDialogButtonBox::KdeLayout);
        QTest::newRow("GNOME") << int(QDialogButtonBox::GnomeLayout);
    }
    void alertButtonOrder() {
        QFETCH(int, layout);
        struct LayoutStyle : QProxyStyle {
            int layout;
            LayoutStyle(const QString& base, int policy)
                : QProxyStyle(base)
                , layout(policy) {}
            int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returned) const override {
                return hint == SH_DialogButtonLayout
                           ? layout
                           : QProxyStyle::styleHint(hint, option, widget, returned);
            }
        };
        const QString style = QApplication::style()->name();
        QApplication::setStyle(new LayoutStyle(style, layout));
        // The buttons' texts from left to right; none while the box is not there.
        const auto order = [](QMessageBox* box) {
            QMap<int, QString> texts;
            for (QAbstractButton* button : box ? box->buttons() : QList<QAbstractButton*>()) {
                texts.insert(button->mapToGlobal(QPoint()).x(), button->text());
            }
            return texts.values();
        };
        {
            Rig rig;
            ContentView view(rig.services(), rig.environment());
            view.show();
            QTRY_VERIFY(!view.state().isScanning());
            view.state().items().replaceAll(
                {item({.path = "/Library/Audio/Plug-Ins/VST",
                       .policy = {.isSelected = true, .requiresSudo = true}})});
            QCoro::waitFor(view.state().performCleanup());
            QTRY_COMPARE(order(view.presentedAlert(ContentView::Alert::result)),
                         QStringList({"OK", "Copy Root Sudo Command"}));
            rig.checker.setShowingUpdateAlert(true);
            QTRY_COMPARE(order(view.presentedAlert(ContentView::Alert::newVersion)),
                         QStringList({"Download Update", "Later"}));
        }
        QApplication::setStyle(style);
    }

    // A screen reader can use a scanned window: every control has a name, a row's checkbox its
    // item's, its Reveal button "Reveal " and the item's; the bar and the pills carry values.
    void screenReadersNameEveryControl() {
        Rig rig;
        ContentView view(rig.services(), rig.environment());
        view.show();
        QTRY_VERIFY(view.state().hasScanned() && !view.state().isBusy());
        view.state().setAllSelected(true);
        const auto read = [](QWidget* widget, QAccessible::Text text = QAccessible::Name) {
            return QAccessible::queryAccessibleInterface(widget)->text(text);
        };
        for (QWidget* widget : view.findChildren<QWidget*>()) {
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(&view)) {
                QVERIFY2(!read(widget).isEmpty(), widget->metaObject()->className());
            }
        }
        for (CategorySection* section : view.dashboard()->sections()) {
            QCOMPARE(read(section->totalPill(), QAccessible::Value),
                     formatBytes(view.state().items().totalBytes(section->category())));
            for (FolderRow* row : section->rows()) {
                const QString name = view.state().items().item(row->position()).name;
                QCOMPARE(read(row->checkBox()), name);
                QCOMPARE(read(row->revealButton()), "Reveal " + name);
            }
        }
        // What the cleanup frees: the administrator target is left out.
        const QString freed = formatBytes(view.state().selectedBytes(ContentState::Part::program));
        DiskCard* card = view.dashboard()->diskCard();
        QCOMPARE(read(card->reclaimablePill(), QAccessible::Value), freed);
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(card->usageBar());
        QCOMPARE(bar->valueInterface()->currentValue(), QVariant(80)); // of 500 GB, 100 GB free
        QVERIFY(bar->text(QAccessible::Value).contains(freed));
    }

    // Windows share the shell's one checker. Closing a scanning window asks nothing: its walk
    // stops, the window goes at once, and the other window's scan goes on to the end.
    void windowsShareOneCheckerAndCloseWhileScanning() {
        Rig rig;
        rig.server.hold("/downloads/version.json");
        QList<ContentView*> contents;
        KestrelleApp app(rig.checker, [&] { return contents.emplace_back(rig.newView()); });
        rig.fileSystem->holdWalks = true;
        QPointer<QMainWindow> first = app.newWindow();
        QMainWindow* second = app.newWindow();
        QCOMPARE(contents.size(), 2);
        QVERIFY(contents[0]->state().isScanning());
        first->close();
        rig.fileSystem->holdWalks = false;
        QVERIFY(!contents[0]->stopCleaningQuestion());
        QVERIFY(!first->isVisible());
        QTRY_VERIFY(!first);
        QTRY_VERIFY(!contents[1]->state().isScanning());
        QCOMPARE(contents[1]->state().items().count(), 3);
        // Both windows asked for a silent check on appearing; only one request went out.
        QTRY_COMPARE(rig.server.requests().size(), 1);
        QVERIFY(rig.checker.isChecking());
        app.checkForUpdatesAction()->trigger(); // ignored while the launch check runs
        QTest::qWait(50);
        QCOMPARE(rig.server.requests().size(), 1);
        rig.server.release(LocalHttpServer::http(200, manifest("1.0.0")));
        QTRY_VERIFY(!rig.checker.isChecking());
        QVERIFY(!rig.checker.upToDateAlert()); // the silent check says nothing
        // A window fits its screen. In less room than its content's minimum the list scrolls
        // above the footer, which stays in view; below what the parts need the content scrolls.
        const QSize room = second->screen()->availableGeometry().size();
        QCOMPARE(second->size(),
                 QSize(Theme::Window::width, Theme::Window::height).boundedTo(room));
        contents[1]->setMinimumSize(0, 0);
        second->layout()->activate();
        second->resize(600, 400);
        Footer* footer = contents[1]->footer();
        QTRY_VERIFY(second->rect().contains(footer->mapTo(second, footer->rect().bottomRight())));
        QVERIFY(contents[1]->scrollArea()->verticalScrollBar()->maximum() > 0);
        second->resize(300, 90);
        auto* page = contents[1]->findChild<QScrollArea*>({}, Qt::FindDirectChildrenOnly);
        QTRY_VERIFY(page->horizontalScrollBar()->maximum() > 0 &&
                    page->verticalScrollBar()->maximum() > 0);
        // A later start brings the window back; the About box gives the icons' licences.
        second->showMinimized();
        app.bringForward({});
        QVERIFY(!second->isMinimized() && second->isVisible());
        app.aboutAction()->trigger();
        QMessageBox* about = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                about = box;
            }
        }
        QVERIFY(about && about->detailedText().contains("Permission to use, copy, modify"));
        about->close();
        second->close();
    }

    // A desktop program's answers: help and version print and end the program; anything else,
    // Qt's own options among it, runs the program as before.
    void commandLineAnswersOnlyHelpAndVersion_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answer"); // its first line; "" runs the program
        const QString usage = "Usage: kestrelle [options]";
        QTest::newRow("none") << QStringList{} << "";
        QTest::newRow("--version") << QStringList{"--version"} << "Kestrelle 1.2.3 (build 57)";
        QTest::newRow("-v") << QStringList{"-v"} << "Kestrelle 1.2.3 (build 57)";
        QTest::newRow("--help") << QStringList{"--help"} << usage;
        QTest::newRow("-h after Qt's") << QStringList{"-platform", "xcb", "-h"} << usage;
        QTest::newRow("both") << QStringList{"--version", "--help"} << usage;
        QTest::newRow("Qt's -reverse") << QStringList{"-reverse"} << "";
        QTest::newRow("unknown") << QStringList{"--scan", "/home", "-x"} << "";
    }
    void commandLineAnswersOnlyHelpAndVersion() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, answer);
        const auto text = CommandLine::answer(QStringList{"kestrelle"} + arguments, "1.2.3", 57);
        QCOMPARE(text.value_or(QString()).section('\n', 0, 0), answer);
    }

    // A second start asks the running program to show itself and ends. A socket that nobody
    // listens on any more is taken over: it never keeps a start from running.
    void secondStartBringsTheFirstForward_data() {
        QTest::addColumn<QString>("before"); // what the socket's place holds
        QTest::newRow("nothing") << "";
        QTest::newRow("running program") << "running";
        QTest::newRow("stale socket") << "stale";
    }
    void secondStartBringsTheFirstForward() {
        QFETCH(QString, before);
        const QTemporaryDir folder;
        const QString path = folder.filePath("kestrelle.socket");
        SingleInstance running(path);
        QSignalSpy asked(&running, &SingleInstance::activationRequested);
        if (before == "running") {
            QCOMPARE(running.claim({}), SingleInstance::Role::first);
        } else if (before == "stale") { // bound, never listened on, closed: as a crash leaves it
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            qstrncpy(address.sun_path, QFile::encodeName(path).constData(),
                     sizeof address.sun_path);
            const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QCOMPARE(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            ::close(socket);
        }
        SingleInstance start(path);
        const bool forwarded = start.claim("token-1") == SingleInstance::Role::forwarded;
        QCOMPARE(forwarded, before == "running");
        if (forwarded) {
            QTRY_COMPARE(asked.size(), 1);
            QCOMPARE(asked.first().first().toByteArray(), QByteArray("token-1"));
            return;
        }
        SingleInstance later(path); // the start that runs answers the next one
        QCOMPARE(later.claim({}), SingleInstance::Role::forwarded);
        start.release();
        QCOMPARE(SingleInstance(path).claim({}), SingleInstance::Role::first);
    }

    // Closing a window whose cleanup runs asks first, on that window. Keep Cleaning changes
    // nothing; Stop and Close lets the command under way end, starts nothing more, and the
    // window goes once the run has stopped. A question (of closing or of quitting) whose run
    // ends or is stopped elsewhere goes unanswered: nothing closes or stops, nothing of it is
    // left behind the result, and no window quits.
    void closingDuringCleanupAsksThenStops_data() {
        QTest::addColumn<bool>("quitting");
        QTest::addColumn<QString>("answer"); // a button, "" for none, or "stopped" elsewhere
        QTest::newRow("keep cleaning") << false << "Keep Cleaning";
        QTest::newRow("Return on stop and close") << false << "return";
        QTest::newRow("stop and close") << false << "Stop and Close";
        QTest::newRow("run ends while asked") << false << "";
        QTest::newRow("run stopped while asked") << false << "stopped";
        QTest::newRow("quit, run ends while asked") << true << "";
        QTest::newRow("quit while closing is asked, stop") << true << "quit";
    }
    void closingDuringCleanupAsksThenStops() {
        QFETCH(bool, quitting);
        QFETCH(QString, answer);
        Rig rig;
        Shell shell(rig);
        auto& [app, window, view, state] = shell;
        QPointer<QMainWindow> idle = quitting ? app.newWindow() : nullptr;
        QTRY_VERIFY(!state.isScanning());
        rig.holdCleanup(state);
        state.performCleanup();
        QTRY_VERIFY(rig.commandStarted());
        quitting&& answer != "quit" ? app.quit() : void(window->close());
        QPointer<QMessageBox> question = view->stopCleaningQuestion();
        QVERIFY(question && question->isVisible());
        QCOMPARE(question->windowModality(), Qt::WindowModal);
        QPushButton* keep = buttonNamed(question, "Keep Cleaning");
        QCOMPARE(question->defaultButton(), keep);
        QCOMPARE(question->escapeButton(), keep);
        QCOMPARE(question->buttonRole(buttonNamed(question, "Stop and Close")),
                 QMessageBox::DestructiveRole);
        if (answer == "stopped") {
            state.requestStop();
        } else if (answer == "quit") { // asked anew, about every window
            app.quit();
            buttonNamed(app.quitQuestion(), "Stop and Close")->click();
        } else if (answer == "return") { // on Stop and Close: still the safe answer
            QTest::keyClick(buttonNamed(question, "Stop and Close"), Qt::Key_Return);
        } else if (!answer.isEmpty()) {
            buttonNamed(question, answer)->click();
        }
        const bool stops = answer == "Stop and Close" || answer == "stopped" || answer == "quit";
        QVERIFY(window->isVisible());
        QVERIFY(state.isCleaning());
        QCOMPARE(state.isStopRequested(), stops);
        QCOMPARE(question && question->isVisible(), answer.isEmpty());
        QTest::qWait(50);
        QVERIFY(window); // the command is still running
        rig.release();
        if (stops) {
            QTRY_VERIFY(!window && !idle);
            QVERIFY(rig.pipLeft());
            return;
        }
        QTRY_VERIFY(view->presentedAlert(ContentView::Alert::result));
        QVERIFY(!question || !question->isVisible());
        QVERIFY(!rig.pipLeft());
        QTRY_VERIFY(!state.isBusy());
        QVERIFY(window->isVisible() && (!quitting || idle));
        delete idle;
        delete window;
    }

    // Quitting with one window cleaning, one scanning and an update check in flight: one question,
    // then every run stops, the event loop ends and no background thread is left.
    void quitStopsEveryRunBeforeTheProgramEnds() {
        Rig rig;
        rig.server.hold("/downloads/version.json");
        KestrelleApp app(rig.checker, [&] { return rig.newView(); });
        QPointer<QMainWindow> cleaning = app.newWindow();
        QPointer<QMainWindow> scanning = app.newWindow();
        ContentState& cleaningState = static_cast<ContentView*>(cleaning->centralWidget())->state();
        ContentState& scanningState = static_cast<ContentView*>(scanning->centralWidget())->state();
        QTRY_VERIFY(!cleaningState.isScanning() && !scanningState.isScanning());
        rig.holdCleanup(cleaningState);
        cleaningState.performCleanup();
        QTRY_VERIFY(rig.commandStarted());
        QVERIFY(rig.checker.isChecking());

        int questions = 0;
        QTimer::singleShot(0, &app, [&] {
            scanningState.performScan();
            app.quitAction()->trigger();
            questions = app.quitQuestion() ? 1 : 0;
            buttonNamed(app.quitQuestion(), "Stop and Close")->click();
            app.quitAction()->trigger(); // already stopping: asks nothing more
            QTimer::singleShot(50, &app, [&] { rig.release(); });
        });
        // Only against a hang: the loop must end by itself long before.
        QTimer::singleShot(60'000, &app, [] { QCoreApplication::exit(1); });
        const int status = app.exec();
        QGuiApplication::setQuitOnLastWindowClosed(true);

        QCOMPARE(status, 0);
        QCOMPARE(questions, 1);
        QVERIFY(!app.quitQuestion());
        QVERIFY(!cleaning && !scanning);
        QVERIFY(rig.pipLeft());
        QVERIFY(!rig.checker.isChecking());
        // Idle pool threads would linger for half a minute; a thread Qt itself starts and ends on
        // the way is let go.
        QTRY_COMPARE(pooledThreads(), 0);
    }

    // Keyboard only, in the window as the program opens it. Tab goes through the quick-selection
    // buttons, each section's controls and the footer's buttons and comes back, each control in
    // view as it takes the focus. Return presses the focused button as Space does, but never the
    // destructive answer of a question. The menus open with Alt and their letter or with F10, and
    // Ctrl+W and Ctrl+Q work whatever the platform theme binds (here: Close twice, Quit nothing).
    void keyboardOnly() {
        Rig rig;
        Shell shell(rig);
        auto& [app, window, view, state] = shell;
        QTRY_VERIFY(!state.isScanning());
        state.items().replaceAll(QList<FolderItem>(24, item({.policy = {.isSelected = true}})));
        QApplication::processEvents(); // lays the new rows out
        Dashboard* dashboard = view->dashboard();
        QList<QWidget*> chain{dashboard->selectSafeButton(), dashboard->selectAllButton(),
                              dashboard->deselectAllButton()};
        for (CategorySection* section : dashboard->sections()) {
            chain << section->collapseButton() << section->selectAllBox();
            for (FolderRow* row : section->rows()) {
                chain << row->checkBox() << row->revealButton();
            }
        }
        chain << view->footer()->rescanButton() << view->footer()->cleanButton() << chain.first();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QWidget* viewport = view->scrollArea()->viewport();
        chain.first()->setFocus(Qt::TabFocusReason);
        for (QWidget* next : chain.mid(1)) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
            QVERIFY(
                !dashboard->isAncestorOf(next) ||
                viewport->rect().contains(QRect(next->mapTo(viewport, QPoint()), next->size())));
        }

        // Offscreen, a window is active again only when asked after a dialog or window went.
        const auto press = [](QWidget* control, Qt::Key key, Qt::KeyboardModifiers with = {}) {
            control->window()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(control->window()));
            control->setFocus(Qt::TabFocusReason);
            QTest::keyClick(control, key, with);
        };
        press(dashboard->deselectAllButton(), Qt::Key_Return);
        QCOMPARE(state.selectedCount(), 0);
        press(dashboard->selectAllButton(), Qt::Key_Return);
        QCOMPARE(state.selectedCount(), 24);
        press(dashboard->sections().first()->rows().first()->revealButton(), Qt::Key_Return);
        QCOMPARE(rig.desktop.revealed, QStringList{state.items().item(0).path});
        press(dashboard->sections().first()->collapseButton(), Qt::Key_Return);
        QCOMPARE(dashboard->collapsedCategories().size(), 1);
        press(view->footer()->cleanButton(), Qt::Key_Return);
        QPointer<QMessageBox> confirm = view->presentedAlert(ContentView::Alert::confirm);
        QVERIFY(confirm);
        press(buttonNamed(confirm, WindowTexts::confirmDelete(state.selectedBytes())),
              Qt::Key_Return);
        QTRY_VERIFY(!confirm);
        QVERIFY(!state.isCleaning() && !state.lastResult());

        const QList<QAction*> menus = window->menuBar()->actions();
        press(window, Qt::Key_F, Qt::AltModifier);
        QCOMPARE(QApplication::activePopupWidget(), menus.at(1)->menu());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_N);
        QPointer<QWidget> second;
        QTRY_VERIFY((second = QApplication::activeWindow()) && second != window);
        QTest::keyClick(second, Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(!second);
        press(window, Qt::Key_F10);
        QCOMPARE(QApplication::activePopupWidget(), menus.at(0)->menu());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!window);
    }

    // The window's scan and cleanup walk and remove while its event loop keeps ticking.
    void scanAndCleanupLeaveTheEventLoopRunning() {
        Rig rig;
        const LoopTicks ticks;
        const auto fileSystem = std::make_shared<TickingFileSystem>(rig.disk, ticks);
        Scanner scanner(fileSystem);
        Cleaner cleaner(fileSystem, std::make_shared<ProcessLauncher>());
        ContentState state({scanner, cleaner, rig.checker, [&] { return rig.figures; }});
        QCoro::waitFor(state.launch());
        state.setAllSelected(true);
        QCoro::waitFor(state.performCleanup());
        QCOMPARE(state.lastResult()->succeededCount, 2);
        QVERIFY(fileSystem->waits() >= 5);
        QVERIFY(!fileSystem->stalled());
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
