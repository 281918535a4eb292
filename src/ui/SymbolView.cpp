#include "ui/SymbolView.h"

#include <QPainter>

SymbolView::SymbolView(Symbol symbol, int fontPixelSize, QFont::Weight weight, Theme::Color color,
                       QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_box(Theme::symbolBox(fontPixelSize))
    , m_weight(weight)
    , m_color(color) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setMinimumSize(m_box, m_box);
}

void SymbolView::setSymbol(Symbol symbol) {
    if (symbol != m_symbol) {
        m_symbol = symbol;
        update();
    }
}

void SymbolView::setColor(Theme::Color color) {
    if (!(color == m_color)) {
        m_color = color;
        update();
    }
}

QSize SymbolView::sizeHint() const {
    return {m_box, m_box};
}

void SymbolView::paintEvent(QPaintEvent*) {
    const QPixmap pixmap = Theme::symbol(m_symbol, Theme::resolve(m_color, palette()), m_box,
                                         devicePixelRatioF(), m_weight);
    if (pixmap.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(QPointF((width() - m_box) / 2.0, (height() - m_box) / 2.0), pixmap);
}
