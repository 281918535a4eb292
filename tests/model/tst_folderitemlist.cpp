#include "support/Fixtures.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {

// safe/safeCaches 10 sel, developer/developerTools 20 sel, caution/dormantPlugins 40 sel,
// developer/simulators 80 not sel, safe/containerResidue 160 not sel.
QList<FolderItem> mixedList() {
    using enum CleanupCategory;
    using enum SafetyTier;
    return {item({.name = "a", .bytes = 10, .policy = {.isSelected = true}}),
            item({.bytes = 20,
                  .category = developerTools,
                  .tier = developer,
                  .policy = {.isSelected = true}}),
            item({.bytes = 40,
                  .category = dormantPlugins,
                  .tier = caution,
                  .policy = {.isSelected = true}}),
            item({.bytes = 80, .category = simulators, .tier = developer}),
            item({.bytes = 160, .category = containerResidue})};
}

using C = CleanupCategory;
using Action = std::function<void(FolderItemList&)>;

} // namespace

Q_DECLARE_METATYPE(Action)

class FolderItemListTest : public QObject {
    Q_OBJECT

private slots:
    // A new list is one reset; a selection is one change of its row, in its check state, and
    // writing what is already there, or outside the list, says nothing.
    void notifications() {
        FolderItemList list;
        QSignalSpy resets(&list, &FolderItemList::modelReset);
        QSignalSpy changes(&list, &FolderItemList::dataChanged);
        list.replaceAll(mixedList());
        QCOMPARE(resets.size(), 1);
        QCOMPARE(changes.size(), 0);
        QCOMPARE(list.rowCount(), 5);

        list.setSelected(3, true);
        QCOMPARE(resets.size(), 1);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0][0].toModelIndex().row(), 3);
        QCOMPARE(changes[0][1].toModelIndex().row(), 3);
        QCOMPARE(changes[0][2].value<QList<int>>(), QList<int>{Qt::CheckStateRole});
        QCOMPARE(selections(list), (QList<bool>{true, true, true, true, false}));
        list.setSelected(3, true);
        list.setSelected(-1, false);
        list.setSelected(5, false);
        QCOMPARE(changes.size(), 1);

        // The model's check state writes the selection too; nothing else is edited in place.
        const QModelIndex first = list.index(0);
        QVERIFY(list.setData(first, Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(list.data(first, Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
        QVERIFY(!list.item(0).isSelected);
        QVERIFY(!list.setData(first, QStringLiteral("renamed"), Qt::EditRole));
        QCOMPARE(list.item(0).name, QStringLiteral("a"));
    }

    void bulkSelections_data() {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QList<bool>>("expected");
        QTest::addColumn<int>("firstChanged");
        QTest::addColumn<int>("lastChanged");
        // The safe tier of every category, and nothing of the other tiers (a selected caution
        // target is deselected).
        QTest::newRow("select safe caches")
            << Action(&FolderItemList::selectSafeCaches)
            << QList<bool>{true, false, false, false, true} << 1 << 4;
        QTest::newRow("select all") << Action([](auto& list) { list.setAllSelected(true); })
                                    << QList<bool>{true, true, true, true, true} << 3 << 4;
        QTest::newRow("deselect all") << Action([](auto& list) { list.setAllSelected(false); })
                                      << QList<bool>{false, false, false, false, false} << 0 << 2;
        QTest::newRow("select one category")
            << Action([](auto& list) { list.setCategorySelected(C::simulators, true); })
            << QList<bool>{true, true, true, true, false} << 3 << 3;
        QTest::newRow("deselect one category")
            << Action([](auto& list) { list.setCategorySelected(C::developerTools, false); })
            << QList<bool>{true, false, true, false, false} << 1 << 1;
    }
    void bulkSelections() {
        QFETCH(Action, action);
        QFETCH(QList<bool>, expected);
        QFETCH(int, firstChanged);
        QFETCH(int, lastChanged);
        FolderItemList list;
        list.replaceAll(mixedList());
        QSignalSpy changes(&list, &FolderItemList::dataChanged);
        action(list);
        QCOMPARE(selections(list), expected);
        // One notification covering exactly the changed span.
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0][0].toModelIndex().row(), firstChanged);
        QCOMPARE(changes[0][1].toModelIndex().row(), lastChanged);

        // Repeating it changes nothing and says nothing.
        changes.clear();
        action(list);
        QCOMPARE(changes.size(), 0);
    }

    void derivedFigures() {
        FolderItemList list;
        QList<FolderItem> items = mixedList();
        items.append(item({.name = "f", .bytes = 320}));
        items.append(item({.name = "g", .bytes = 0, .policy = {.isSelected = true}}));
        list.replaceAll(items);

        QCOMPARE(list.selectedBytes(), 70);
        QCOMPARE(list.selectedCount(), 4); // a 0-byte target still counts as selected
        QCOMPARE(list.positions(C::safeCaches), (QList<int>{0, 5, 6}));
        QCOMPARE(list.positions(C::simulators), QList<int>{3});
        // Section totals count every target, selected or not.
        QCOMPARE(list.totalBytes(C::safeCaches), 330);
        QVERIFY(!list.isAllSelected(C::safeCaches));
        QVERIFY(list.isAllSelected(C::developerTools));
        list.setSelected(5, true);
        QVERIFY(list.isAllSelected(C::safeCaches));
    }
};

QTEST_GUILESS_MAIN(FolderItemListTest)
#include "tst_folderitemlist.moc"
