#pragma once

#include "ui/Theme.h"

#include <QWidget>

// One entry of the disk card's legend: a coloured dot, a label in the secondary colour and a bold
// value.
class LegendEntry : public QWidget {
    Q_OBJECT

public:
    LegendEntry(const QString& label, Theme::Color dotColor, QWidget* parent = nullptr);

    void setValue(const QString& value);
    const QString& label() const { return m_label; }
    const QString& value() const { return m_value; }
    Theme::Color dotColor() const { return m_dotColor; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont valueFont() const;

    QString m_label;
    QString m_value;
    Theme::Color m_dotColor;
};
