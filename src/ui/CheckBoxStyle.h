#pragma once

#include <QProxyStyle>

class QCheckBox;

// Draws checkbox indicators in the theme's colours on top of the application's style: some styles
// (Fusion on a dark palette among them) draw an unchecked box in nearly the colour of the row
// behind it. macOS keeps its own checkboxes.
class CheckBoxStyle : public QProxyStyle {
    Q_OBJECT

public:
    // Gives `box` the theme's indicator where the platform's own cannot be relied on.
    static void apply(QCheckBox* box);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    explicit CheckBoxStyle(const QString& baseStyle);
};
