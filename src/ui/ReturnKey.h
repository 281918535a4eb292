#pragma once

#include <QAbstractButton>
#include <QKeyEvent>

// Return and Enter press the focused button, as Space does. Push buttons do it as auto-default
// buttons; the window's own buttons call this from their key handler. True when `event` was such
// a key, which is then handled (held down, it presses once).
inline bool pressOnReturn(QAbstractButton& button, const QKeyEvent& event) {
    const bool returnKey = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (!returnKey || modifiers != Qt::NoModifier) {
        return false;
    }
    if (!event.isAutoRepeat()) {
        button.click();
    }
    return true;
}
