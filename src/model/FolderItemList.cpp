#include "model/FolderItemList.h"

#include <optional>
#include <utility>

FolderItemList::FolderItemList(QObject* parent)
    : QAbstractListModel(parent) {}

int FolderItemList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant FolderItemList::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const FolderItem& entry = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return entry.name;
    case Qt::ToolTipRole:
        return entry.path;
    case Qt::CheckStateRole:
        return entry.isSelected ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

bool FolderItemList::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return false;
    }
    setSelected(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags FolderItemList::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
}

void FolderItemList::replaceAll(QList<FolderItem> items) {
    beginResetModel();
    m_items = std::move(items);
    endResetModel();
}

template <typename Wanted>
void FolderItemList::applySelection(Wanted wanted) {
    // Items are written one at a time; the views hear about the changed span once, so a bulk
    // action costs one refresh instead of one per item.
    int first = -1;
    int last = -1;
    for (int position = 0; position < count(); ++position) {
        FolderItem& entry = m_items[position];
        const std::optional<bool> value = wanted(entry);
        if (!value || entry.isSelected == *value) {
            continue;
        }
        entry.isSelected = *value;
        if (first < 0) {
            first = position;
        }
        last = position;
    }
    if (first >= 0) {
        emit dataChanged(index(first), index(last), {Qt::CheckStateRole});
    }
}

void FolderItemList::setSelected(int position, bool selected) {
    if (position < 0 || position >= count() || m_items[position].isSelected == selected) {
        return;
    }
    m_items[position].isSelected = selected;
    emit dataChanged(index(position), index(position), {Qt::CheckStateRole});
}

void FolderItemList::setAllSelected(bool selected) {
    applySelection([selected](const FolderItem&) { return std::optional<bool>(selected); });
}

void FolderItemList::selectSafeCaches() {
    applySelection([](const FolderItem& entry) {
        return std::optional<bool>(entry.safetyTier == SafetyTier::safe);
    });
}

void FolderItemList::setCategorySelected(CleanupCategory category, bool selected) {
    applySelection([category, selected](const FolderItem& entry) {
        return entry.category == category ? std::optional<bool>(selected) : std::nullopt;
    });
}

bool FolderItemList::isIn(const FolderItem& entry, Part part) {
    return entry.isSelected &&
           (part == Part::all || entry.requiresSudo == (part == Part::administrator));
}

qint64 FolderItemList::selectedBytes(Part part) const {
    qint64 sum = 0;
    for (const FolderItem& entry : m_items) {
        if (isIn(entry, part)) {
            sum += entry.size;
        }
    }
    return sum;
}

qsizetype FolderItemList::selectedCount(Part part) const {
    qsizetype selected = 0;
    for (const FolderItem& entry : m_items) {
        selected += isIn(entry, part) ? 1 : 0;
    }
    return selected;
}

QList<int> FolderItemList::positions(CleanupCategory category) const {
    QList<int> found;
    for (int position = 0; position < count(); ++position) {
        if (m_items[position].category == category) {
            found.append(position);
        }
    }
    return found;
}

qint64 FolderItemList::totalBytes(CleanupCategory category) const {
    qint64 sum = 0;
    for (const FolderItem& entry : m_items) {
        if (entry.category == category) {
            sum += entry.size;
        }
    }
    return sum;
}

bool FolderItemList::isAllSelected(CleanupCategory category) const {
    for (const FolderItem& entry : m_items) {
        if (entry.category == category && !entry.isSelected) {
            return false;
        }
    }
    return true;
}
