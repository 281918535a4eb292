#include "ui/PlainButton.h"

#include "ui/ReturnKey.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int symbolSpacing = Theme::PlainButton::symbolSpacing;
constexpr int ringMargin = Theme::PlainButton::ringMargin;

} // namespace

PlainButton::PlainButton(const QString& text, Symbol symbol, const QFont& font, Theme::Color color,
                         QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_color(color) {
    setText(text);
    setFont(font);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

int PlainButton::symbolBox() const {
    return Theme::symbolBox(font().pixelSize());
}

QSize PlainButton::sizeHint() const {
    const QFontMetrics metrics(font());
    const int box = symbolBox();
    return {box + symbolSpacing + metrics.horizontalAdvance(text()) + 2 * ringMargin,
            std::max(box, Theme::lineBox(font(), text()).height()) + 2 * ringMargin};
}

QSize PlainButton::minimumSizeHint() const {
    return sizeHint();
}

void PlainButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (isDown()) {
        painter.setOpacity(Theme::PlainButton::pressedOpacity);
    } else if (!isEnabled()) {
        painter.setOpacity(Theme::PlainButton::disabledOpacity);
    }
    const QColor foreground = Theme::textColor(m_color, palette());
    const int box = symbolBox();
    const QPixmap symbol = Theme::symbol(m_symbol, foreground, box, devicePixelRatioF());
    const int contentWidth = sizeHint().width() - 2 * ringMargin;
    const int left = (width() - contentWidth) / 2;
    painter.drawPixmap(QPointF(left, (height() - box) / 2.0), symbol);
    painter.setFont(font());
    painter.setPen(foreground);
    const int textLeft = left + box + symbolSpacing;
    const Theme::LineBox line = Theme::lineBox(font(), text());
    painter.drawText(textLeft, (height() - line.height()) / 2 + line.above, text());
    if (hasFocus()) {
        painter.setOpacity(1.0);
        Theme::paintFocusRing(painter, rect(), Theme::PlainButton::ringRadius, palette());
    }
}

void PlainButton::keyPressEvent(QKeyEvent* event) {
    if (!pressOnReturn(*this, *event)) {
        QAbstractButton::keyPressEvent(event);
    }
}
