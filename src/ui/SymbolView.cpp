#include "ui/SymbolView.h"

#include <QPainter>

SymbolView::SymbolView(const QString& symbolName, int fontPixelSize, QFont::Weight weight,
                       Theme::Color color, QWidget* parent)
    : QWidget(parent)
    , m_symbolName(symbolName)
    , m_box(Theme::symbolBox(fontPixelSize))
    , m_weight(weight)
    , m_color(color) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setMinimumSize(m_box, m_box);
}

void SymbolView::setSymbol(const QString& symbolName) {
    if (symbolName != m_symbolName) {
        m_symbolName = symbolName;
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
    const QPixmap pixmap = Theme::symbol(m_symbolName, Theme::resolve(m_color, palette()), m_box,
                                         devicePixelRatioF(), m_weight);
    if (pixmap.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(QPointF((width() - m_box) / 2.0, (height() - m_box) / 2.0), pixmap);
}
