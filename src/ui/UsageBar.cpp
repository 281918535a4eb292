#include "ui/UsageBar.h"

#include "ui/AccessibleWidgets.h"
#include "ui/Theme.h"
#include "ui/WindowTexts.h"

#include <QAccessible>
#include <QPainter>

#include <algorithm>
#include <cmath>

UsageBar::UsageBar(QWidget* parent)
    : QWidget(parent) {
    installAccessibleWidgets();
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(WindowTexts::diskUsage());
}

void UsageBar::setFractions(double keptUsedFraction, double cleaningFraction) {
    if (keptUsedFraction == m_keptUsed && cleaningFraction == m_cleaning) {
        return;
    }
    const int percent = usedPercent();
    m_keptUsed = keptUsedFraction;
    m_cleaning = cleaningFraction;
    if (usedPercent() != percent) {
        QAccessibleValueChangeEvent changed(this, usedPercent());
        QAccessible::updateAccessibility(&changed);
    }
    update();
}

int UsageBar::usedPercent() const {
    return std::clamp(static_cast<int>(std::lround((m_keptUsed + m_cleaning) * 100)), 0, 100);
}

void UsageBar::setAccessibleFigures(const QString& figures) {
    setAccessibleDescription(figures);
}

qreal UsageBar::blueWidth(qreal barWidth) const {
    return std::max(barWidth * m_keptUsed, 0.0);
}

qreal UsageBar::greenWidth(qreal barWidth) const {
    if (m_cleaning <= 0) {
        return 0;
    }
    return std::max(barWidth * m_cleaning, Theme::Bar::minimumCleaningWidth);
}

QSize UsageBar::sizeHint() const {
    return {200, Theme::Bar::height};
}

QSize UsageBar::minimumSizeHint() const {
    return {Theme::Bar::height, Theme::Bar::height};
}

void UsageBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF track(0, 0, width(), Theme::Bar::height);
    const qreal radius = Theme::Bar::radius;
    Theme::fillRoundedRect(
        painter, track, radius,
        Theme::resolve(
            Theme::Color::of(Theme::Color::Role::secondary).withOpacity(Theme::Bar::trackOpacity),
            palette()));
    // A selection larger than the used space would run past the end: the track bounds both parts.
    painter.setClipRect(track);
    const qreal blue = blueWidth();
    Theme::fillRoundedRect(painter, QRectF(0, 0, blue, track.height()), radius,
                           Theme::named(Tint::blue, palette()));
    Theme::fillRoundedRect(painter, QRectF(blue, 0, greenWidth(), track.height()), radius,
                           Theme::named(Tint::green, palette()));
}
