#pragma once

#include "model/FolderItem.h"

#include <QAbstractListModel>
#include <QList>

// The ordered list of found targets that the window owns and every view reads. Two kinds of change
// reach the views: the whole list is replaced (a model reset: sections and rows are rebuilt) or
// selections change in place (dataChanged on Qt::CheckStateRole: totals and checkboxes follow,
// rows stay). `isSelected` is the only field that can change in place.
class FolderItemList : public QAbstractListModel {
    Q_OBJECT

public:
    explicit FolderItemList(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    // Display: name; tool tip: path; check state: isSelected.
    QVariant data(const QModelIndex& index, int role) const override;
    // Accepts Qt::CheckStateRole only.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const QList<FolderItem>& items() const { return m_items; }
    const FolderItem& item(int position) const { return m_items.at(position); }
    int count() const { return static_cast<int>(m_items.size()); }
    bool isEmpty() const { return m_items.isEmpty(); }

    // Replaces the whole list; earlier selections are gone with it.
    void replaceAll(QList<FolderItem> items);

    // Selection writes. Each notifies once, and only when something changed.
    void setSelected(int position, bool selected);
    void setAllSelected(bool selected);
    // Exactly the targets of the safe tier end up selected, whatever their category.
    void selectSafeCaches();
    // Every target of `category`, and nothing else.
    void setCategorySelected(CleanupCategory category, bool selected);

    // Which selected targets a sum covers: all of them, those the cleanup removes (or clears with
    // their own command) itself, or those it only hands to the administrator command. A figure
    // that promises what the cleanup frees counts the program's part alone.
    enum class Part { all, program, administrator };
    // Sums over the selected targets of `part`; 0 when none is selected.
    qint64 selectedBytes(Part part = Part::all) const;
    qsizetype selectedCount(Part part = Part::all) const;

    // Positions of the targets of `category`, ascending.
    QList<int> positions(CleanupCategory category) const;
    // Every target of the category counts, selected or not.
    qint64 totalBytes(CleanupCategory category) const;
    // True when no target of the category is left unselected.
    bool isAllSelected(CleanupCategory category) const;

private:
    // Whether a selected target belongs to `part`.
    static bool isIn(const FolderItem& entry, Part part);
    template <typename Wanted>
    void applySelection(Wanted wanted);

    QList<FolderItem> m_items;
};
