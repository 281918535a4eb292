#pragma once

#include <QWidget>

// The disk card's bar: a track over the whole width, the used space that stays after a cleanup in
// blue from the left, and right after it, in green, the space the selection would free (never
// narrower than 4 pixels, so that a tiny selection still shows). The rest of the track is free.
class UsageBar : public QWidget {
    Q_OBJECT

public:
    explicit UsageBar(QWidget* parent = nullptr);

    void setFractions(double keptUsedFraction, double cleaningFraction);
    double keptUsedFraction() const { return m_keptUsed; }
    double cleaningFraction() const { return m_cleaning; }
    // The share of the disk in use, selection included, in whole percent: the bar's value for
    // screen readers, which read `figures` (the legend in words) with it.
    int usedPercent() const;
    void setAccessibleFigures(const QString& figures);

    // Widths of the two parts at the current width; 0 for a part that is not drawn.
    qreal blueWidth() const { return blueWidth(width()); }
    qreal greenWidth() const { return greenWidth(width()); }
    qreal blueWidth(qreal barWidth) const;
    qreal greenWidth(qreal barWidth) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_keptUsed = 0;
    double m_cleaning = 0;
};
