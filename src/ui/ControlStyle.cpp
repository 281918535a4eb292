#include "ui/ControlStyle.h"

#include "ui/Theme.h"

#include <QApplication>
#include <QCheckBox>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QStyleOption>

#include <algorithm>

namespace {

// Focus that came from the keyboard; a click gives focus without a ring, as on the platform.
bool hasKeyboardFocus(const QStyleOption& option) {
    return (option.state & QStyle::State_HasFocus) &&
           (option.state & QStyle::State_KeyboardFocusChange);
}

} // namespace

ControlStyle::ControlStyle(const QString& baseStyle)
    : QProxyStyle(baseStyle) {}

void ControlStyle::apply(QWidget* control) {
#ifdef Q_OS_MACOS
    Q_UNUSED(control);
#else
    // One instance for the application's style of the moment, owned by the application.
    static QPointer<ControlStyle> style;
    const QString base = QApplication::style()->name();
    if (!style || style->baseStyle()->name() != base) {
        style = new ControlStyle(base);
        style->setParent(qApp);
    }
    control->setStyle(style);
#endif
}

void ControlStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    if (element == PE_FrameFocusRect &&
        (qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QPushButton*>(widget))) {
        return; // the theme's ring takes its place
    }
    if (element != PE_IndicatorCheckBox) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const QPalette& palette = option->palette;
    const bool on = option->state & (State_On | State_NoChange);
    const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (hasKeyboardFocus(*option)) {
        // Outside the box, with a gap: it stands against the row whatever fills the box.
        constexpr qreal room = Theme::CheckBox::ringRoom;
        Theme::paintFocusRing(*painter, QRectF(option->rect).adjusted(-room, -room, room, room),
                              Theme::CheckBox::radius + room, palette);
    }
    if (!(option->state & State_Enabled)) {
        painter->setOpacity(0.5);
    }
    painter->setPen(QPen(Theme::checkBoxBorder(palette, on), 1.0));
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

void ControlStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    const auto* box = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element == CE_CheckBox && box != nullptr) {
        // The style puts the box at the left edge (asking itself, not this proxy, where): the
        // room there is the ring's.
        QStyleOptionButton inset = *box;
        inset.rect.setLeft(box->rect.left() + Theme::CheckBox::ringRoom);
        QProxyStyle::drawControl(element, &inset, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
    // On the button's own edge, over the style's outline: a push button fills its whole rectangle.
    if (element == CE_PushButton && hasKeyboardFocus(*option)) {
        Theme::paintFocusRing(*painter, option->rect, Theme::PlainButton::ringRadius,
                              option->palette);
    }
}

QRect ControlStyle::subElementRect(SubElement element, const QStyleOption* option,
                                   const QWidget* widget) const {
    const QRect rect = QProxyStyle::subElementRect(element, option, widget);
    // Where drawControl draws it.
    return element == SE_CheckBoxIndicator ? rect.translated(Theme::CheckBox::ringRoom, 0) : rect;
}

QSize ControlStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                     const QSize& size, const QWidget* widget) const {
    QSize needed = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_CheckBox) {
        const int room = 2 * Theme::CheckBox::ringRoom;
        needed.rwidth() += room;
        needed.setHeight(
            std::max(needed.height(), pixelMetric(PM_IndicatorHeight, option, widget) + room));
    }
    return needed;
}
