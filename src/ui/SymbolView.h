#pragma once

#include "ui/Theme.h"

#include <QWidget>

// One symbol of the symbol table, drawn in a colour role at the size of text of a given pixel
// size and weight, sharp at any device pixel ratio.
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(Symbol symbol, int fontPixelSize, QFont::Weight weight, Theme::Color color,
               QWidget* parent = nullptr);

    void setSymbol(Symbol symbol);
    Symbol symbol() const { return m_symbol; }
    void setColor(Theme::Color color);
    Theme::Color color() const { return m_color; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Symbol m_symbol;
    int m_box;
    QFont::Weight m_weight;
    Theme::Color m_color;
};
