#pragma once

#include "ui/Theme.h"

#include <QWidget>

// One symbol of the symbol table, drawn in a colour role at the size of text of a given pixel
// size and weight, sharp at any device pixel ratio.
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(const QString& symbolName, int fontPixelSize, QFont::Weight weight,
               Theme::Color color, QWidget* parent = nullptr);

    void setSymbol(const QString& symbolName);
    const QString& symbolName() const { return m_symbolName; }
    void setColor(Theme::Color color);
    Theme::Color color() const { return m_color; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbolName;
    int m_box;
    QFont::Weight m_weight;
    Theme::Color m_color;
};
