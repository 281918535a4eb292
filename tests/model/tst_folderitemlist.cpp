#include "support/Fixtures.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// safe/safeCaches 10 sel, developer/developerTools 20 sel, caution/dormantPlugins 40 sel,
// developer/simulators 80 not sel, safe/containerResidue 160 not sel.
QList<FolderItem> mixedList() {
    using enum CleanupCategory;
    using enum SafetyTier;
    return {item({.name = "a", .bytes = 10, .selected = true}),
            item({.name = "b",
                  .bytes = 20,
                  .category = developerTools,
                  .tier = developer,
                  .selected = true}),
            item({.name = "c",
                  .bytes = 40,
                  .category = dormantPlugins,
                  .tier = caution,
                  .selected = true}),
            item({.name = "d", .bytes = 80, .category = simulators, .tier = developer}),
            item({.name = "e", .bytes = 160, .category = containerResidue})};
}

} // namespace

class FolderItemListTest : public QObject {
    Q_OBJECT

private slots:
    void replacementIsOneReset() {
        FolderItemList list;
        QSignalSpy resets(&list, &FolderItemList::modelReset);
        QSignalSpy changes(&list, &FolderItemList::dataChanged);
        list.replaceAll(mixedList());
        QCOMPARE(resets.size(), 1);
        QCOMPARE(changes.size(), 0);
        QCOMPARE(list.count(), 5);
        QCOMPARE(list.rowCount(), 5);
        QCOMPARE(list.item(2).name, QStringLiteral("c"));
    }

    void singleSelectionIsOneChange() {
        FolderItemList list;
        list.replaceAll(mixedList());
        QSignalSpy resets(&list, &FolderItemList::modelReset);
        QSignalSpy changes(&list, &FolderItemList::dataChanged);

        list.setSelected(3, true);
        QCOMPARE(resets.size(), 0);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0][0].toModelIndex().row(), 3);
        QCOMPARE(changes[0][1].toModelIndex().row(), 3);
        QCOMPARE(changes[0][2].value<QList<int>>(), QList<int>{Qt::CheckStateRole});
        QCOMPARE(selections(list), (QList<bool>{true, true, true, true, false}));

        // Writing the value it already has, or outside the list, says nothing.
        list.setSelected(3, true);
        list.setSelected(-1, false);
        list.setSelected(5, false);
        QCOMPARE(changes.size(), 1);
    }

    void checkStateRoleWritesSelection() {
        FolderItemList list;
        list.replaceAll(mixedList());
        const QModelIndex first = list.index(0);
        QCOMPARE(list.data(first, Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
        QVERIFY(list.setData(first, Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!list.item(0).isSelected);
        // Nothing else can be edited in place.
        QVERIFY(!list.setData(first, QStringLiteral("renamed"), Qt::EditRole));
        QCOMPARE(list.item(0).name, QStringLiteral("a"));
    }

    void bulkSelections_data() {
        QTest::addColumn<int>("action");
        QTest::addColumn<QList<bool>>("expected");
        QTest::addColumn<int>("firstChanged");
        QTest::addColumn<int>("lastChanged");
        // The safe tier of every category, and nothing of the other tiers (a selected caution
        // target is deselected).
        QTest::newRow("select safe caches")
            << 0 << QList<bool>{true, false, false, false, true} << 1 << 4;
        QTest::newRow("select all") << 1 << QList<bool>{true, true, true, true, true} << 3 << 4;
        QTest::newRow("deselect all")
            << 2 << QList<bool>{false, false, false, false, false} << 0 << 2;
        QTest::newRow("select one category")
            << 3 << QList<bool>{true, true, true, true, false} << 3 << 3;
        QTest::newRow("deselect one category")
            << 4 << QList<bool>{true, false, true, false, false} << 1 << 1;
    }
    void bulkSelections() {
        QFETCH(int, action);
        QFETCH(QList<bool>, expected);
        QFETCH(int, firstChanged);
        QFETCH(int, lastChanged);
        FolderItemList list;
        list.replaceAll(mixedList());
        const auto apply = [&] {
            switch (action) {
            case 0:
                list.selectSafeCaches();
                break;
            case 1:
                list.setAllSelected(true);
                break;
            case 2:
                list.setAllSelected(false);
                break;
            case 3:
                list.setCategorySelected(CleanupCategory::simulators, true);
                break;
            case 4:
                list.setCategorySelected(CleanupCategory::developerTools, false);
                break;
            }
        };
        QSignalSpy changes(&list, &FolderItemList::dataChanged);
        apply();
        QCOMPARE(selections(list), expected);
        // One notification covering exactly the changed span.
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0][0].toModelIndex().row(), firstChanged);
        QCOMPARE(changes[0][1].toModelIndex().row(), lastChanged);

        // Repeating it changes nothing and says nothing.
        changes.clear();
        apply();
        QCOMPARE(changes.size(), 0);
    }

    void derivedFigures() {
        FolderItemList list;
        QCOMPARE(list.selectedBytes(), 0);
        QCOMPARE(list.selectedCount(), 0);
        QList<FolderItem> items = mixedList();
        items.append(item({.name = "f", .bytes = 320}));
        items.append(item({.name = "g", .bytes = 0, .selected = true}));
        list.replaceAll(items);

        QCOMPARE(list.selectedBytes(), 70);
        QCOMPARE(list.selectedCount(), 4); // a 0-byte target still counts as selected
        QCOMPARE(list.positions(CleanupCategory::safeCaches), (QList<int>{0, 5, 6}));
        QCOMPARE(list.positions(CleanupCategory::simulators), QList<int>{3});
        // Section totals count every target, selected or not.
        QCOMPARE(list.totalBytes(CleanupCategory::safeCaches), 330);
        QVERIFY(!list.isAllSelected(CleanupCategory::safeCaches));
        QVERIFY(list.isAllSelected(CleanupCategory::developerTools));
        list.setSelected(5, true);
        QVERIFY(list.isAllSelected(CleanupCategory::safeCaches));
    }
};

QTEST_GUILESS_MAIN(FolderItemListTest)
#include "tst_folderitemlist.moc"
