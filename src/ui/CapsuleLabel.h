#pragma once

#include "ui/Theme.h"

#include <QWidget>

#include <optional>

// A short text, optionally led by a symbol, on a capsule of its own colour at low opacity: the
// badges of a row, a section's total and the reclaimable figure. Painted rather than styled, so
// the ends stay round at any height.
class CapsuleLabel : public QWidget {
    Q_OBJECT

public:
    CapsuleLabel(const QFont& font, Theme::Color color, int paddingH, int paddingV,
                 qreal fillOpacity, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return m_text; }
    void setColor(Theme::Color color);
    Theme::Color color() const { return m_color; }
    qreal fillOpacity() const { return m_fillOpacity; }
    // A symbol before the text, in the text's colour and weight.
    void setSymbol(Symbol symbol, int spacing);
    std::optional<Symbol> symbol() const { return m_symbol; }
    // Read by screen readers as the figure `value` of `name` (a section's total) rather than as
    // the text shown: named "name: value", with `value` as the value.
    void setAccessibleFigure(const QString& name, const QString& value);
    const QString& accessibleFigureValue() const { return m_figureValue; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int symbolBox() const;

    QString m_text;
    Theme::Color m_color;
    int m_paddingH;
    int m_paddingV;
    qreal m_fillOpacity;
    std::optional<Symbol> m_symbol;
    int m_symbolSpacing = 0;
    QString m_figureName;
    QString m_figureValue;
};
