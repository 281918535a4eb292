#include "ui/TextLabel.h"

#include "ui/AccessibleWidgets.h"

#include <QAccessible>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

// Wide enough for any one line a label is given, small enough for the layout's fixed-point widths.
constexpr qreal unboundedLineWidth = 1e6;

} // namespace

TextLabel::TextLabel(const QFont& font, Theme::Color color, QWidget* parent)
    : QWidget(parent)
    , m_color(color) {
    // Screen readers see the text as static text, the way they see a plain label.
    installAccessibleWidgets();
    setFont(font);
    updatePolicy();
}

void TextLabel::setText(const QString& text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    setAccessibleName(text);
    if (m_announced && isVisible() && !text.isEmpty()) {
        // The notification the label reads as comes on screen again, with the new text.
        QAccessibleEvent shown(this, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&shown);
    }
    updateGeometry();
    update();
}

void TextLabel::setAnnounced(bool announced) {
    m_announced = announced;
}

void TextLabel::setColor(Theme::Color color) {
    if (color == m_color) {
        return;
    }
    m_color = color;
    update();
}

void TextLabel::setMaximumLineCount(int lines) {
    m_maximumLines = std::max(lines, 0);
    updatePolicy();
    updateGeometry();
    update();
}

void TextLabel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

void TextLabel::setElideMode(Qt::TextElideMode mode) {
    m_elideMode = mode;
    update();
}

void TextLabel::setWrapAnywhere(bool anywhere) {
    m_wrapAnywhere = anywhere;
    updateGeometry();
    update();
}

void TextLabel::updatePolicy() {
    QSizePolicy policy(QSizePolicy::Preferred,
                       m_maximumLines == 1 ? QSizePolicy::Fixed : QSizePolicy::Preferred);
    policy.setHeightForWidth(m_maximumLines != 1);
    setSizePolicy(policy);
}

int TextLabel::naturalWidth() const {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString& line : m_text.split(QLatin1Char('\n'))) {
        // Measured as a wrapped line is laid out too: the layout may need a fraction of a pixel
        // more than the rounded advance (at a hyphen, say), and given only the advance it would
        // break a name that fits.
        QTextLayout layout(line, font());
        layout.beginLayout();
        QTextLine laidOut = layout.createLine();
        qreal natural = 0;
        if (laidOut.isValid()) {
            laidOut.setLineWidth(unboundedLineWidth);
            natural = laidOut.naturalTextWidth();
        }
        layout.endLayout();
        widest = std::max(
            {widest, metrics.horizontalAdvance(line), static_cast<int>(std::ceil(natural))});
    }
    return widest + 1;
}

TextLabel::Lines TextLabel::layoutLines(int width) const {
    const QFontMetrics metrics(font());
    Lines result;
    if (m_text.isEmpty()) {
        return result;
    }
    if (width <= 0) {
        width = naturalWidth();
    }
    if (m_maximumLines == 1) {
        const QString shown = metrics.elidedText(m_text, m_elideMode, width);
        result.elided = shown != m_text;
        result.lines.append(shown);
        return result;
    }
    QTextLayout layout(m_text, font());
    QTextOption option;
    option.setWrapMode(m_wrapAnywhere ? QTextOption::WrapAnywhere
                                      : QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        const int start = line.textStart();
        if (m_maximumLines > 0 && result.lines.size() == m_maximumLines - 1) {
            // The last line allowed takes the rest of the text and is cut if it does not fit.
            const QString rest = m_text.mid(start).simplified();
            const QString shown = metrics.elidedText(rest, Qt::ElideRight, width);
            result.elided = shown != rest;
            result.lines.append(shown);
            break;
        }
        const QString text = m_text.mid(start, line.textLength());
        // A path keeps its spaces; words lose the one at which they were broken.
        result.lines.append(m_wrapAnywhere ? text : text.trimmed());
    }
    layout.endLayout();
    return result;
}

QStringList TextLabel::visibleLines(int width) const {
    return layoutLines(width).lines;
}

bool TextLabel::isElided(int width) const {
    return layoutLines(width).elided;
}

int TextLabel::blockHeight(qsizetype lines) const {
    const Theme::LineBox box = Theme::lineBox(font(), m_text);
    return box.height() +
           static_cast<int>(std::max<qsizetype>(lines - 1, 0)) * QFontMetrics(font()).lineSpacing();
}

QSize TextLabel::sizeHint() const {
    if (m_maximumLines == 1) {
        return {m_text.isEmpty() ? 0 : naturalWidth(), blockHeight(1)};
    }
    const int width = std::min(naturalWidth(), Theme::scaled(Theme::Text::preferredWrapWidth));
    return {width, heightForWidth(width)};
}

QSize TextLabel::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    const int shortest = metrics.horizontalAdvance(QStringLiteral("Mm\u2026"));
    return {std::min(naturalWidth(), shortest), blockHeight(1)};
}

bool TextLabel::hasHeightForWidth() const {
    return m_maximumLines != 1;
}

int TextLabel::heightForWidth(int width) const {
    // A layout may offer more than the label accepts (an aligned item keeps its size hint).
    width = std::min(width, maximumWidth());
    return blockHeight(layoutLines(width).lines.size());
}

void TextLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(Theme::textColor(m_color, palette()));
    const QFontMetrics metrics(font());
    const Lines laidOut = layoutLines(width());
    const int block = blockHeight(laidOut.lines.size());
    int top = 0;
    if (m_alignment & Qt::AlignVCenter) {
        top = (height() - block) / 2;
    } else if (m_alignment & Qt::AlignBottom) {
        top = height() - block;
    }
    top += Theme::lineBox(font(), m_text).above;
    for (const QString& line : laidOut.lines) {
        const int advance = metrics.horizontalAdvance(line);
        int left = 0;
        if (m_alignment & Qt::AlignHCenter) {
            left = (width() - advance) / 2;
        } else if (m_alignment & Qt::AlignRight) {
            left = width() - advance;
        }
        painter.drawText(left, top, line);
        top += metrics.lineSpacing();
    }
}

void TextLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    QWidget::changeEvent(event);
}
