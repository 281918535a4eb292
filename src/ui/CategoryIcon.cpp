#include "ui/CategoryIcon.h"

#include "ui/Theme.h"

#include <QPainter>

CategoryIcon::CategoryIcon(CleanupCategory category, QWidget* parent)
    : QWidget(parent)
    , m_category(category) {
    // The circle grows with the text beside it, as the symbol in it does.
    const int side = Theme::scaled(Theme::Row::icon);
    setFixedSize(side, side);
}

void CategoryIcon::setCategory(CleanupCategory category) {
    if (category != m_category) {
        m_category = category;
        update();
    }
}

QSize CategoryIcon::sizeHint() const {
    return minimumSize();
}

void CategoryIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Theme::Color color = Theme::Color::of(tint(m_category));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::resolve(color.withOpacity(Theme::tintFillOpacity), palette()));
    painter.drawEllipse(QRectF(rect()));
    const int box = Theme::symbolBox(Theme::scaled(Theme::Row::iconFontSize));
    const QPixmap picture = Theme::symbol(symbol(m_category), Theme::resolve(color, palette()), box,
                                          devicePixelRatioF(), QFont::Medium);
    painter.drawPixmap(QPointF((width() - box) / 2.0, (height() - box) / 2.0), picture);
}
