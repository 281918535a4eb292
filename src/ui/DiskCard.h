#pragma once

#include "model/DiskSpaceInfo.h"

#include <QWidget>

class CapsuleLabel;
class LegendEntry;
class TextLabel;
class UsageBar;

// The startup volume at the top of the dashboard: its capacity, what the selection would free,
// the three-part usage bar and its legend.
class DiskCard : public QWidget {
    Q_OBJECT

public:
    explicit DiskCard(QWidget* parent = nullptr);

    // Everything on the card follows these two figures.
    void setFigures(const DiskSpaceInfo& disk, qint64 selectedBytes);

    TextLabel* capacityLabel() const { return m_capacity; }
    CapsuleLabel* reclaimablePill() const { return m_pill; }
    UsageBar* usageBar() const { return m_bar; }
    LegendEntry* usedEntry() const { return m_used; }
    LegendEntry* cleaningEntry() const { return m_cleaning; }
    LegendEntry* freeEntry() const { return m_free; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TextLabel* m_capacity;
    CapsuleLabel* m_pill;
    UsageBar* m_bar;
    LegendEntry* m_used;
    LegendEntry* m_cleaning;
    LegendEntry* m_free;
};
