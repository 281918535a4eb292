#include "ui/CapsuleLabel.h"

#include "ui/AccessibleWidgets.h"
#include "ui/WindowTexts.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

CapsuleLabel::CapsuleLabel(const QFont& font, Theme::Color color, int paddingH, int paddingV,
                           qreal fillOpacity, QWidget* parent)
    : QWidget(parent)
    , m_color(color)
    , m_paddingH(paddingH)
    , m_paddingV(paddingV)
    , m_fillOpacity(fillOpacity) {
    installAccessibleWidgets();
    setFont(font);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CapsuleLabel::setText(const QString& text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    if (m_figureName.isEmpty()) {
        setAccessibleName(text);
    }
    updateGeometry();
    update();
}

void CapsuleLabel::setAccessibleFigure(const QString& name, const QString& value) {
    m_figureName = name;
    m_figureValue = value;
    setAccessibleName(WindowTexts::namedFigure(name, value));
}

void CapsuleLabel::setColor(Theme::Color color) {
    if (!(color == m_color)) {
        m_color = color;
        update();
    }
}

void CapsuleLabel::setSymbol(Symbol symbol, int spacing) {
    m_symbol = symbol;
    m_symbolSpacing = spacing;
    updateGeometry();
    update();
}

int CapsuleLabel::symbolBox() const {
    return !m_symbol ? 0 : Theme::symbolBox(font().pixelSize());
}

QSize CapsuleLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    const int box = symbolBox();
    const int symbolWidth = box > 0 ? box + m_symbolSpacing : 0;
    return {2 * m_paddingH + symbolWidth + metrics.horizontalAdvance(m_text),
            2 * m_paddingV + std::max(Theme::lineBox(font(), m_text).height(), box)};
}

QSize CapsuleLabel::minimumSizeHint() const {
    return sizeHint();
}

void CapsuleLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF bounds = rect();
    Theme::fillRoundedRect(painter, bounds, bounds.height() / 2,
                           Theme::resolve(m_color.withOpacity(m_fillOpacity), palette()));
    const QColor foreground = Theme::textColor(m_color, palette(), m_fillOpacity);
    int left = m_paddingH;
    if (const int box = symbolBox(); m_symbol && box > 0) {
        const QPixmap symbol = Theme::symbol(*m_symbol, foreground, box, devicePixelRatioF(),
                                             static_cast<QFont::Weight>(font().weight()));
        painter.drawPixmap(QPointF(left, (height() - box) / 2.0), symbol);
        left += box + m_symbolSpacing;
    }
    painter.setFont(font());
    painter.setPen(foreground);
    const Theme::LineBox line = Theme::lineBox(font(), m_text);
    painter.drawText(left, (height() - line.height()) / 2 + line.above, m_text);
}
