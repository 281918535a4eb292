#include "ui/LegendEntry.h"

#include "ui/AccessibleWidgets.h"
#include "ui/WindowTexts.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

LegendEntry::LegendEntry(const QString& label, Theme::Color dotColor, QWidget* parent)
    : QWidget(parent)
    , m_label(label)
    , m_dotColor(dotColor) {
    installAccessibleWidgets();
    setFont(Theme::font(Theme::TextStyle::caption));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(label);
}

QFont LegendEntry::valueFont() const {
    QFont bold = font();
    bold.setWeight(QFont::Bold);
    return bold;
}

void LegendEntry::setValue(const QString& value) {
    if (value == m_value) {
        return;
    }
    m_value = value;
    // Read as the static text it is: by its name, which carries the figure.
    setAccessibleName(WindowTexts::namedFigure(m_label, value));
    updateGeometry();
    update();
}

QSize LegendEntry::sizeHint() const {
    const QFontMetrics labelMetrics(font());
    const QFontMetrics valueMetrics(valueFont());
    const int spacing = Theme::Legend::entrySpacing;
    return {Theme::Legend::dot + spacing + labelMetrics.horizontalAdvance(m_label) + spacing +
                valueMetrics.horizontalAdvance(m_value),
            std::max({Theme::Legend::dot, Theme::lineBox(font(), m_label).height(),
                      Theme::lineBox(valueFont(), m_value).height()})};
}

QSize LegendEntry::minimumSizeHint() const {
    return sizeHint();
}

void LegendEntry::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int dot = Theme::Legend::dot;
    const int spacing = Theme::Legend::entrySpacing;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::resolve(m_dotColor, palette()));
    painter.drawEllipse(QRectF(0, (height() - dot) / 2.0, dot, dot));

    int left = dot + spacing;
    painter.setFont(font());
    painter.setPen(Theme::resolve(Theme::Color::of(Theme::Color::Role::secondary), palette()));
    const auto baseline = [this](const QFont& font, const QString& text) {
        const Theme::LineBox line = Theme::lineBox(font, text);
        return (height() - line.height()) / 2 + line.above;
    };
    painter.drawText(left, baseline(font(), m_label), m_label);
    left += QFontMetrics(font()).horizontalAdvance(m_label) + spacing;
    painter.setFont(valueFont());
    painter.setPen(Theme::resolve(Theme::Color::of(Theme::Color::Role::primary), palette()));
    painter.drawText(left, baseline(valueFont(), m_value), m_value);
}
