#include "ui/ActivityIndicator.h"

#include "ui/Theme.h"
#include "ui/WindowTexts.h"

#include <QPainter>

ActivityIndicator::ActivityIndicator(QWidget* parent)
    : QWidget(parent) {
    setFixedSize(sizeHint());
    setAccessibleName(WindowTexts::inProgress());
    m_turn.setStartValue(0);
    m_turn.setEndValue(12);
    m_turn.setDuration(1000);
    m_turn.setLoopCount(-1);
    connect(&m_turn, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

void ActivityIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const int lead = m_turn.currentValue().toInt();
    const QColor base = Theme::resolve(Theme::Color::of(Theme::Color::Role::secondary), palette());
    // Twelve spokes, the leading one darkest, fading behind it.
    for (int spoke = 0; spoke < 12; ++spoke) {
        QColor color = base;
        color.setAlphaF(float(0.15 + 0.85 * (((spoke - lead + 12) % 12) / 11.0)));
        QPen pen(color, 1.8, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        painter.save();
        painter.rotate(spoke * 30.0);
        painter.drawLine(QPointF(0, -3.5), QPointF(0, -7));
        painter.restore();
    }
}

void ActivityIndicator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_turn.start();
}

void ActivityIndicator::hideEvent(QHideEvent* event) {
    m_turn.stop();
    QWidget::hideEvent(event);
}
