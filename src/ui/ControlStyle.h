#pragma once

#include <QProxyStyle>

// Draws checkbox indicators and the keyboard focus of checkboxes and push buttons in the theme's
// colours on top of the application's style: some styles (Fusion on a dark palette among them)
// draw an unchecked box in nearly the colour of the row behind it, and mark focus with a faint
// line in the accent colour, which vanishes on a checked box or a dark accent. macOS keeps its own
// controls.
class ControlStyle : public QProxyStyle {
    Q_OBJECT

public:
    // Gives `control` (a checkbox or a push button) the theme's look where the platform's own
    // cannot be relied on.
    static void apply(QWidget* control);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;

private:
    explicit ControlStyle(const QString& baseStyle);
};
