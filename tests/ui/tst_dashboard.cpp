#include "support/Fixtures.h"

#include "model/ByteFormatter.h"
#include "model/FolderItemList.h"
#include "ui/CapsuleLabel.h"
#include "ui/CategorySection.h"
#include "ui/CollapseButton.h"
#include "ui/Dashboard.h"
#include "ui/DiskCard.h"
#include "ui/FolderRow.h"
#include "ui/LegendEntry.h"
#include "ui/PlainButton.h"
#include "ui/SymbolView.h"
#include "ui/TextLabel.h"
#include "ui/Theme.h"
#include "ui/UsageBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace {

constexpr qint64 GB = 1'000'000'000;
using C = CleanupCategory;

// A dashboard as the window holds it: over the window's list, wired to its actions, in a vertical
// scroll area above the footer (here its one button), at the window's size.
struct Fixture {
    explicit Fixture(const QList<FolderItem>& items = {},
                     DiskSpaceInfo disk = {500 * GB, 100 * GB}) {
        list.replaceAll(items);
        dashboard =
            new Dashboard(list, FolderRow::Environment{QStringLiteral("/Users/u"), &desktop});
        dashboard->setAnimationsEnabled(false);
        dashboard->setDiskInfo(disk);
        QObject::connect(dashboard, &Dashboard::quickSelectSafeRequested, &list,
                         &FolderItemList::selectSafeCaches);
        QObject::connect(dashboard, &Dashboard::selectAllRequested, &list,
                         [this] { list.setAllSelected(true); });
        QObject::connect(dashboard, &Dashboard::deselectAllRequested, &list,
                         [this] { list.setAllSelected(false); });
        area->setWidget(dashboard);
        area->setWidgetResizable(true);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(area);
        layout->addWidget(footer);
        window.resize(800, 900);
        window.show();
        QApplication::processEvents();
    }

    DiskCard* card() const { return dashboard->diskCard(); }
    FakeDesktop desktop;
    FolderItemList list;
    QWidget window;
    QScrollArea* area = new QScrollArea;
    QPushButton* footer = new QPushButton(QStringLiteral("Rescan"));
    Dashboard* dashboard;
};

} // namespace

Q_DECLARE_METATYPE(QList<CleanupCategory>)

class DashboardTest : public QObject {
    Q_OBJECT

private slots:
    void sectionsFollowCategoryOrder_data() {
        QTest::addColumn<QList<C>>("itemCategories");
        QTest::addColumn<QList<C>>("sections");
        QTest::newRow("empty list") << QList<C>{} << QList<C>{};
        QTest::newRow("simulators listed before safe caches")
            << QList<C>{C::simulators, C::safeCaches, C::simulators}
            << QList<C>{C::safeCaches, C::simulators};
        QTest::newRow("all six, reversed")
            << QList<C>{C::projectBuildFolders, C::containerResidue, C::dormantPlugins,
                        C::simulators,          C::developerTools,   C::safeCaches}
            << QList<C>{C::safeCaches,     C::developerTools,   C::simulators,
                        C::dormantPlugins, C::containerResidue, C::projectBuildFolders};
        QTest::newRow("one category")
            << QList<C>{C::dormantPlugins, C::dormantPlugins} << QList<C>{C::dormantPlugins};
    }
    void sectionsFollowCategoryOrder() {
        QFETCH(QList<C>, itemCategories);
        QFETCH(QList<C>, sections);
        QList<FolderItem> items;
        for (C category : itemCategories) {
            items.append(item({.category = category}));
        }
        Fixture f(items);
        QCOMPARE(f.dashboard->emptyState()->isVisible(), items.isEmpty());
        // Each section holds its own targets, in list order.
        QList<C> order;
        int rows = 0;
        for (CategorySection* section : f.dashboard->sections()) {
            order.append(section->category());
            QCOMPARE(section->positions(), f.list.positions(section->category()));
            QCOMPARE(section->rows().size(), section->positions().size());
            rows += static_cast<int>(section->rows().size());
        }
        QCOMPARE(order, sections);
        QCOMPARE(rows, items.size());
    }

    void sectionCheckboxFollowsAndWritesOneCategory() {
        Fixture f({item({.name = "a",
                         .bytes = 10,
                         .category = C::developerTools,
                         .policy = {.isSelected = true}}),
                   item({.name = "other",
                         .bytes = 20,
                         .category = C::simulators,
                         .policy = {.isSelected = true}}),
                   item({.name = "b",
                         .bytes = 30,
                         .category = C::developerTools,
                         .policy = {.isSelected = true}}),
                   item({.name = "other2", .bytes = 40, .category = C::simulators})});
        CategorySection* tools = f.dashboard->section(C::developerTools);
        CategorySection* simulators = f.dashboard->section(C::simulators);
        QCheckBox* box = tools->selectAllBox();
        QVERIFY(!box->accessibleName().isEmpty());
        QVERIFY(box->isChecked());
        QVERIFY(!simulators->selectAllBox()->isChecked()); // partly selected reads unchecked

        tools->rows().at(1)->checkBox()->click();
        QCOMPARE(selections(f.list), QList<bool>({true, true, false, false}));
        QVERIFY(!box->isChecked());
        // Checking it selects every target of the category and nothing else; unchecking
        // deselects that category only.
        box->click();
        QVERIFY(box->isChecked());
        QCOMPARE(selections(f.list), QList<bool>({true, true, true, false}));
        box->click();
        QCOMPARE(selections(f.list), QList<bool>({false, true, false, false}));
        QVERIFY(!tools->rows().at(0)->checkBox()->isChecked());
        QVERIFY(simulators->rows().at(0)->checkBox()->isChecked());
    }

    void selectionFeedback() {
        Fixture f({item({.name = "tiny", .bytes = 1}), item({.name = "big",
                                                             .bytes = 20 * GB,
                                                             .category = C::simulators,
                                                             .tier = SafetyTier::developer})});
        UsageBar* bar = f.card()->usageBar();
        QVERIFY(!f.card()->reclaimablePill()->isVisible());
        QVERIFY(!f.card()->cleaningEntry()->isVisible());
        QCOMPARE(bar->greenWidth(), 0.0);

        // One byte selected: pill, legend entry and green part appear; the green part is at
        // least 4 pixels wide.
        QPointer<FolderRow> tinyRow = f.dashboard->section(C::safeCaches)->rows().at(0);
        tinyRow->checkBox()->click();
        QVERIFY(f.card()->reclaimablePill()->isVisible());
        QVERIFY(f.card()->reclaimablePill()->text().contains(formatBytes(1)));
        QVERIFY(f.card()->cleaningEntry()->isVisible());
        QCOMPARE(f.card()->cleaningEntry()->value(), formatBytes(1));
        QVERIFY(bar->width() > 100);
        QCOMPARE(bar->greenWidth(), 4.0);

        // Rows are kept across selection changes; only a new list rebuilds them.
        QCOMPARE(f.dashboard->section(C::safeCaches)->rows().at(0), tinyRow.data());

        // The quick-selection buttons reach the window's actions, and everything follows.
        f.dashboard->selectAllButton()->click();
        QVERIFY(f.card()->reclaimablePill()->text().contains(formatBytes(20 * GB + 1)));
        QVERIFY(f.dashboard->section(C::simulators)->selectAllBox()->isChecked());
        f.dashboard->selectSafeButton()->click();
        QCOMPARE(selections(f.list), QList<bool>({true, false}));
        QVERIFY(!f.dashboard->section(C::simulators)->rows().at(0)->checkBox()->isChecked());
        f.dashboard->deselectAllButton()->click();
        QCOMPARE(f.list.selectedCount(), 0);
        QVERIFY(!f.card()->reclaimablePill()->isVisible());
        QVERIFY(!f.card()->cleaningEntry()->isVisible());
        QVERIFY(!tinyRow.isNull());
    }

    // A failed reading is 0 and 0: only the track, even with a selection. More free than
    // capacity: no blue part and nothing used. A selection beyond the used space: no blue, the
    // green part is the selection. A target left for the administrator command is not freed by
    // the cleanup: nothing green, nothing reclaimable.
    void diskFigures_data() {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("free");
        QTest::addColumn<qint64>("selected");
        QTest::addColumn<bool>("sudo");
        QTest::addColumn<double>("blue");  // fraction of the bar's width
        QTest::addColumn<double>("green"); // fraction of the bar's width
        // clang-format off
        const std::tuple<const char*, qint64, qint64, qint64, bool, double, double> rows[] = {
            {"500 GB, 100 GB free, 20 GB selected", 500, 100, 20, false, 0.76, 0.04},
            {"failed reading", 0, 0, 20, false, 0.0, 0.0},
            {"negative used", 100, 120, 0, false, 0.0, 0.0},
            {"selection beyond used", 500, 450, 100, false, 0.0, 0.2},
            {"20 GB for the administrator command", 500, 100, 20, true, 0.8, 0.0}};
        // clang-format on
        for (const auto& [name, total, free, selected, sudo, blue, green] : rows) {
            QTest::newRow(name) << total * GB << free * GB << selected * GB << sudo << blue
                                << green;
        }
    }
    void diskFigures() {
        QFETCH(qint64, total);
        QFETCH(qint64, free);
        QFETCH(qint64, selected);
        QFETCH(bool, sudo);
        QFETCH(double, blue);
        QFETCH(double, green);
        Fixture f({item({.name = "sel",
                         .bytes = selected,
                         .category = C::developerTools,
                         .policy = {.isSelected = selected > 0, .requiresSudo = sudo}})},
                  {total, free});
        UsageBar* bar = f.card()->usageBar();
        const qreal width = bar->width();
        QVERIFY(width > 100);
        QCOMPARE(bar->blueWidth(), blue * width);
        QCOMPARE(bar->greenWidth(), green * width);
        QVERIFY(f.card()->capacityLabel()->text().endsWith(": " + formatBytes(total)));
        QCOMPARE(f.card()->usedEntry()->value(), formatBytes(std::max(total - free, qint64(0))));
        QCOMPARE(f.card()->freeEntry()->value(), formatBytes(free));
        QCOMPARE(f.card()->reclaimablePill()->isVisible(), selected > 0 && !sudo);
        QCOMPARE(f.card()->cleaningEntry()->isVisible(), selected > 0 && !sudo);
    }

    void collapsing() {
        Fixture f({item({.name = "a", .bytes = 10 * GB, .category = C::simulators}),
                   item({.name = "b",
                         .bytes = 5 * GB,
                         .category = C::simulators,
                         .policy = {.isSelected = true}}),
                   item({.name = "c", .bytes = 1 * GB, .policy = {.isSelected = true}})});
        CategorySection* simulators = f.dashboard->section(C::simulators);
        QCOMPARE(simulators->totalPill()->text(), formatBytes(15 * GB));
        QCOMPARE(simulators->collapseButton()->chevron()->symbol(), Symbol::chevronDown);
        const int expandedHeight = simulators->height();

        // The blank between the label and the total is inert; the label folds the section.
        const auto clickAt = [simulators](QPoint point) {
            QWidget* target = simulators->childAt(point);
            target = target != nullptr ? target : simulators;
            QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(simulators, point));
        };
        const QRect label = simulators->collapseButton()->geometry();
        clickAt({simulators->totalPill()->x() - 2 * Theme::Header::spacing, label.center().y()});
        QVERIFY(!f.dashboard->collapsedCategories().contains(C::simulators));
        clickAt(label.center());
        QVERIFY(f.dashboard->collapsedCategories().contains(C::simulators));
        QVERIFY(!simulators->rowsArea()->isVisible());
        QCOMPARE(simulators->collapseButton()->chevron()->symbol(), Symbol::chevronRight);
        // The header stays, and its total still counts every target, selected or not.
        QVERIFY(simulators->totalPill()->isVisible());
        QVERIFY(simulators->selectAllBox()->isVisible());
        QCOMPARE(simulators->totalPill()->text(), formatBytes(15 * GB));
        QTRY_VERIFY(simulators->height() < expandedHeight);
        QVERIFY(f.dashboard->section(C::safeCaches)->rowsArea()->isVisible());

        // A new list without the category, then one with it: it comes back folded.
        f.list.replaceAll({item({.name = "c", .bytes = 1 * GB, .policy = {.isSelected = true}})});
        QCOMPARE(f.dashboard->section(C::simulators), nullptr);
        f.list.replaceAll({item({.name = "d", .bytes = 3 * GB, .category = C::simulators}),
                           item({.name = "e", .bytes = 2 * GB, .category = C::developerTools})});
        simulators = f.dashboard->section(C::simulators);
        QVERIFY(simulators != nullptr);
        QVERIFY(!simulators->rowsArea()->isVisible());
        QCOMPARE(simulators->collapseButton()->chevron()->symbol(), Symbol::chevronRight);
        QVERIFY(f.dashboard->section(C::developerTools)->rowsArea()->isVisible());

        simulators->collapseButton()->click();
        QVERIFY(simulators->rowsArea()->isVisible());
        QVERIFY(!f.dashboard->collapsedCategories().contains(C::simulators));

        // Animated, the rows slide away and are then hidden, and come back to their height.
        f.dashboard->setAnimationsEnabled(true);
        QWidget* rows = simulators->rowsArea();
        const int rowsHeight = rows->height();
        QVERIFY(rowsHeight > 0);
        simulators->collapseButton()->click();
        QVERIFY(rows->isVisible());
        QTRY_VERIFY(!rows->isVisible());
        simulators->collapseButton()->click();
        QVERIFY(rows->isVisible());
        QTRY_COMPARE(rows->maximumHeight(), QWIDGETSIZE_MAX);
        QTRY_COMPARE(rows->height(), rowsHeight);
        // Pressed twice in quick succession: it ends where the last press asked.
        simulators->collapseButton()->click();
        simulators->collapseButton()->click();
        QTRY_COMPARE(rows->maximumHeight(), QWIDGETSIZE_MAX);
        QVERIFY(rows->isVisible());
        QTRY_COMPARE(rows->height(), rowsHeight);
    }

    // Titles wrap in a narrow window rather than lose their end.
    void titlesWrap() {
        Fixture f({item({.name = "a", .bytes = 1, .category = C::developerTools})});
        Fixture empty;
        for (TextLabel* title :
             {f.dashboard->section(C::developerTools)->collapseButton()->titleLabel(),
              empty.dashboard->emptyState()->findChild<TextLabel*>()}) {
            QVERIFY(!title->isElided(90));
            QVERIFY2(title->visibleLines(90).size() > 1, qPrintable(title->text()));
        }
    }

    // At the window's minimum size, after a new list, the dashboard takes the viewport's width
    // without a horizontal bar and grows as tall as its rows (the window's test walks it with Tab).
    void fitsTheWindowAfterANewList() {
        QList<FolderItem> items;
        for (int index = 0; index < 12; ++index) {
            items.append(item({.category = allCases<C>[static_cast<size_t>(index % 5)]}));
        }
        Fixture f;
        f.list.replaceAll(items);
        f.window.resize(800, 560);
        QApplication::processEvents();
        QCOMPARE(f.dashboard->width(), f.area->viewport()->width());
        QVERIFY(f.dashboard->height() >= f.dashboard->heightForWidth(f.dashboard->width()));
        QVERIFY(f.area->verticalScrollBar()->maximum() > 0);

        for (FolderRow* row : f.dashboard->findChildren<FolderRow*>()) {
            // Every row is laid out at full height, none squeezed.
            QCOMPARE(row->height(), row->heightForWidth(row->width()));
            QVERIFY(!row->checkBox()->accessibleName().isEmpty());
        }
    }

    // Every text the dashboard draws, in the colour its view resolves, against the pixel it is
    // drawn on (the translucent fills as painted); the clean button's style on the footer. And the
    // focus of each kind of control: at least 3:1 between its pixels focused and not. In the
    // platform's light palette and a dark one (qt6ct's "darker" scheme).
    void contrast_data() {
        QTest::addColumn<QColor>("foreground");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<qreal>("minimum");
        QPalette darker(QColor(0x424245), QColor(0x222020)); // button, window
        darker.setColor(QPalette::Base, QColor(0x3d3d3d));
        darker.setColor(QPalette::Highlight, QColor(0x12608a));
        for (const auto& scheme : {std::pair("light", QApplication::style()->standardPalette()),
                                   std::pair("dark", darker)}) {
            const char* name = scheme.first; // clang 14 captures no structured binding
            const QPalette& palette = scheme.second;
            Fixture f(
                {item({.name = "d", .category = C::developerTools, .policy = {.isSelected = true}}),
                 item({.category = C::simulators, .tier = SafetyTier::developer}),
                 item({.category = C::dormantPlugins, .policy = {.requiresSudo = true}}),
                 item({.category = C::containerResidue, .tier = SafetyTier::caution}),
                 item({.category = C::projectBuildFolders, .tier = SafetyTier::developer}),
                 item({})});
            f.window.setPalette(palette);
            f.footer->setStyleSheet(Theme::prominentButtonStyleSheet(palette));
            f.window.resize(800, 1400);
            QVERIFY(QTest::qWaitForWindowActive(&f.window));
            f.window.setAttribute(Qt::WA_KeyboardFocusChange); // as after Tab
            const QImage shot = f.window.grab().toImage();
            CategorySection* tools = f.dashboard->section(C::developerTools);
            int count = 0;
            const auto text = [&](QWidget* view, const QString& shown, const QColor& color,
                                  QPoint blank = {}) {
                const QColor under = shot.pixelColor(view->mapTo(&f.window, blank));
                if (view->isVisible()) {
                    QTest::addRow("%s %d: %s", name, ++count, qPrintable(shown))
                        << Theme::over(color, under) << under << Theme::textContrast;
                }
            };
            for (TextLabel* label : f.window.findChildren<TextLabel*>()) {
                text(label, label->text(), Theme::textColor(label->color(), palette));
            }
            for (CapsuleLabel* pill : f.window.findChildren<CapsuleLabel*>()) {
                text(pill, pill->text(),
                     Theme::textColor(pill->color(), palette, pill->fillOpacity()),
                     {3, pill->height() / 2});
            }
            for (PlainButton* button : f.window.findChildren<PlainButton*>()) {
                text(button, button->text(), Theme::textColor(button->color(), palette));
            }
            // A checkbox's edge stands out from the row behind it, checked or not.
            for (QCheckBox* box :
                 {tools->rows().first()->checkBox(),
                  f.dashboard->section(C::safeCaches)->rows().first()->checkBox()}) {
                QStyleOptionButton option;
                option.initFrom(box);
                const QRect square =
                    box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
                const QPoint edge =
                    box->mapTo(&f.window, QPoint(square.left(), square.center().y()));
                QTest::addRow("%s: edge of a box, checked: %d", name, box->isChecked())
                    << shot.pixelColor(edge) << shot.pixelColor(edge - QPoint(3, 0))
                    << Theme::markContrast;
            }
            text(f.footer, "clean button", Theme::prominentButtonText(),
                 {4, f.footer->height() / 2});

            const std::pair<const char*, QWidget*> controls[] = {
                {"button", f.dashboard->selectAllButton()},
                {"fold", tools->collapseButton()},
                {"checked box", tools->rows().first()->checkBox()},
                {"box", f.dashboard->section(C::safeCaches)->rows().first()->checkBox()},
                {"reveal", tools->rows().first()->revealButton()},
                {"clean", f.footer}};
            for (const auto& [what, control] : controls) {
                const QRect around = QRect(control->mapTo(&f.window, QPoint()), control->size())
                                         .adjusted(-4, -4, 4, 4);
                f.dashboard->selectSafeButton()->setFocus(Qt::TabFocusReason);
                const QImage plain = f.window.grab(around).toImage();
                control->setFocus(Qt::TabFocusReason);
                const QImage focused = f.window.grab(around).toImage();
                std::pair<QColor, QColor> most{Qt::black, Qt::black};
                for (int at = 0; at < plain.width() * plain.height(); ++at) {
                    const QPoint pixel(at % plain.width(), at / plain.width());
                    const std::pair pair(focused.pixelColor(pixel), plain.pixelColor(pixel));
                    if (Theme::contrast(pair.first, pair.second) >
                        Theme::contrast(most.first, most.second)) {
                        most = pair;
                    }
                }
                QTest::addRow("%s: focus on %s", name, what)
                    << most.first << most.second << Theme::markContrast;
            }
        }
    }
    void contrast() {
        QFETCH(QColor, foreground);
        QFETCH(QColor, background);
        QFETCH(qreal, minimum);
        const qreal ratio = Theme::contrast(foreground, background);
        QVERIFY2(ratio >= minimum, qPrintable(foreground.name() + " on " + background.name() +
                                              ": " + QString::number(ratio)));
    }
};

QTEST_MAIN(DashboardTest)
#include "tst_dashboard.moc"
