#include "ui/CheckBoxStyle.h"

#include "ui/Theme.h"

#include <QApplication>
#include <QCheckBox>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStyleOption>

#include <algorithm>

CheckBoxStyle::CheckBoxStyle(const QString& baseStyle)
    : QProxyStyle(baseStyle) {}

void CheckBoxStyle::apply(QCheckBox* box) {
#ifdef Q_OS_MACOS
    Q_UNUSED(box);
#else
    // One instance for the application's style of the moment, owned by the application.
    static QPointer<CheckBoxStyle> style;
    const QString base = QApplication::style()->name();
    if (!style || style->baseStyle()->name() != base) {
        style = new CheckBoxStyle(base);
        style->setParent(qApp);
    }
    box->setStyle(style);
#endif
}

void CheckBoxStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const {
    if (element != PE_IndicatorCheckBox) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const QPalette& palette = option->palette;
    const bool on = option->state & (State_On | State_NoChange);
    const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (!(option->state & State_Enabled)) {
        painter->setOpacity(0.5);
    }
    const bool keyboardFocus =
        (option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange);
    QColor border =
        keyboardFocus ? palette.color(QPalette::Highlight) : Theme::checkBoxBorder(palette, on);
    painter->setPen(QPen(border, 1.0));
    QColor fill = Theme::checkBoxFill(palette, on);
    if (option->state & State_Sunken) {
        fill = fill.darker(115);
    }
    painter->setBrush(fill);
    painter->drawRoundedRect(box, Theme::CheckBox::radius, Theme::CheckBox::radius);
    if (on) {
        QPen mark(Theme::checkMark(palette), std::max(1.5, box.width() / 8), Qt::SolidLine,
                  Qt::RoundCap, Qt::RoundJoin);
        painter->setPen(mark);
        painter->setBrush(Qt::NoBrush);
        const QRectF inner = box.adjusted(box.width() * 0.22, box.height() * 0.22,
                                          -box.width() * 0.22, -box.height() * 0.22);
        QPainterPath path;
        if (option->state & State_NoChange) {
            path.moveTo(inner.left(), inner.center().y());
            path.lineTo(inner.right(), inner.center().y());
        } else {
            path.moveTo(inner.left(), inner.top() + inner.height() * 0.55);
            path.lineTo(inner.left() + inner.width() * 0.38, inner.bottom());
            path.lineTo(inner.right(), inner.top());
        }
        painter->drawPath(path);
    }
    painter->restore();
}
