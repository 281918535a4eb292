#pragma once

#include "model/CleanupCategory.h"
#include "ui/FolderRow.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class CapsuleLabel;
class CollapseButton;
class FolderItemList;
class QCheckBox;
class QPropertyAnimation;

// One category of the dashboard: a header (collapse button, total of every target of the
// category, select-all checkbox) over the rows of its targets. The rows fold away when the
// section is collapsed; the header stays.
class CategorySection : public QWidget {
    Q_OBJECT

public:
    CategorySection(CleanupCategory category, FolderItemList& items, const QList<int>& positions,
                    bool collapsed, const FolderRow::Environment& environment,
                    QWidget* parent = nullptr);

    CleanupCategory category() const { return m_category; }
    const QList<int>& positions() const { return m_positions; }

    // Shows or hides the rows, sliding them when `animated`.
    void setCollapsed(bool collapsed, bool animated);
    bool isCollapsed() const { return m_collapsed; }

    // Re-reads the selection of the rows whose positions lie in [first, last] and the
    // section's checkbox.
    void refreshSelection(int first, int last);

    CollapseButton* collapseButton() const { return m_collapseButton; }
    CapsuleLabel* totalPill() const { return m_total; }
    QCheckBox* selectAllBox() const { return m_selectAll; }
    QWidget* rowsArea() const { return m_rowsArea; }
    const QList<FolderRow*>& rows() const { return m_rows; }

signals:
    // The collapse button was pressed; the dashboard owns the collapsed set and answers with
    // setCollapsed.
    void collapseRequested(CleanupCategory category);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int expandedRowsHeight() const;
    void finishAnimation();

    CleanupCategory m_category;
    FolderItemList& m_items;
    QList<int> m_positions;
    bool m_collapsed;

    CollapseButton* m_collapseButton;
    CapsuleLabel* m_total;
    QCheckBox* m_selectAll;
    QWidget* m_rowsArea;
    QList<FolderRow*> m_rows;
    QPointer<QPropertyAnimation> m_animation;
};
