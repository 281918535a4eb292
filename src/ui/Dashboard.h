#pragma once

#include "model/CleanupCategory.h"
#include "model/DiskSpaceInfo.h"
#include "ui/FolderRow.h"

#include <QList>
#include <QSet>
#include <QWidget>

class ActivityIndicator;
class CategorySection;
class DiskCard;
class FolderItemList;
class QPushButton;
class QVBoxLayout;
class TextLabel;

// The body of the main window: the disk card, the quick-selection row and one collapsible section
// per category that has targets, or the empty state. It reads the window's list and writes only
// selections into it (through the rows and the section checkboxes); the quick-selection buttons
// ask the window to act. Which sections are folded is the dashboard's own state and survives new
// lists. It grows as tall as its content: the window puts it in a scroll area.
class Dashboard : public QWidget {
    Q_OBJECT

public:
    // `items` must outlive the dashboard.
    Dashboard(FolderItemList& items, FolderRow::Environment environment, QWidget* parent = nullptr);

    void setDiskInfo(const DiskSpaceInfo& disk);
    // While no scan has finished yet, an empty list shows a spinner with the scan's status line
    // instead of the empty state.
    void setScanStatus(bool scanning, const QString& status);
    const DiskSpaceInfo& diskInfo() const { return m_disk; }

    // Folding slides the rows for 0.2 s unless this is off (tests turn it off).
    void setAnimationsEnabled(bool enabled) { m_animated = enabled; }
    bool animationsEnabled() const { return m_animated; }

    const QSet<CleanupCategory>& collapsedCategories() const { return m_collapsed; }

    DiskCard* diskCard() const { return m_card; }
    QPushButton* selectSafeButton() const { return m_selectSafe; }
    QPushButton* selectAllButton() const { return m_selectAll; }
    QPushButton* deselectAllButton() const { return m_deselectAll; }
    // The sections on screen, in category order; empty when the list is.
    const QList<CategorySection*>& sections() const { return m_sections; }
    CategorySection* section(CleanupCategory category) const;
    QWidget* emptyState() const { return m_empty; }
    QWidget* scanningState() const { return m_scanning; }
    TextLabel* scanningStatus() const { return m_scanningStatus; }

signals:
    void quickSelectSafeRequested();
    void selectAllRequested();
    void deselectAllRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makeEmptyState();
    QWidget* makeScanningState();
    void showListOrState();
    void rebuildSections();
    void selectionChanged(int first, int last);
    void refreshFigures();
    void toggleCollapsed(CleanupCategory category);
    void chainTabOrder();

    FolderItemList& m_items;
    FolderRow::Environment m_environment;
    DiskSpaceInfo m_disk;
    QSet<CleanupCategory> m_collapsed;
    bool m_animated = true;

    DiskCard* m_card;
    QPushButton* m_selectSafe;
    QPushButton* m_selectAll;
    QPushButton* m_deselectAll;
    QWidget* m_empty;
    QWidget* m_scanning;
    ActivityIndicator* m_scanningIndicator;
    TextLabel* m_scanningStatus;
    bool m_isScanning = false;
    QWidget* m_sectionsArea;
    QVBoxLayout* m_sectionsLayout;
    QList<CategorySection*> m_sections;
};
