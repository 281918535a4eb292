#include "app/WindowPlacement.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

WindowPlacement::WindowPlacement(QWidget* window, QWidget* content)
    : QObject(window)
    , m_window(window)
    , m_content(content) {}

void WindowPlacement::show(QWidget* window, QWidget* content, QSize preferred) {
    auto* placement = new WindowPlacement(window, content);
    placement->fit(preferred);
    window->show();
    if (QWindow* handle = window->windowHandle()) {
        handle->installEventFilter(placement);
    } else {
        delete placement;
    }
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && m_window && m_window->windowHandle() == watched &&
        m_window->windowHandle()->isExposed()) {
        // Once only: what the user makes of the window afterwards is theirs.
        watched->removeEventFilter(this);
        fit(m_window->size());
        deleteLater();
    }
    return QObject::eventFilter(watched, event);
}

void WindowPlacement::fit(QSize preferred) {
    QWidget* window = m_window;
    const QScreen* screen = window->screen();
    const QWindow* handle = window->windowHandle();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QMargins frame = handle != nullptr ? handle->frameMargins() : QMargins();
    const QSize room = area.size().shrunkBy(frame);
    if (m_content && window->minimumSizeHint().boundedTo(room) != window->minimumSizeHint()) {
        m_content->setMinimumSize(0, 0);
    }
    const QSize size = preferred.boundedTo(room);
    if (size != window->size()) {
        window->resize(size);
    }
    if (handle == nullptr || !window->isVisible()) {
        return; // the window manager places a window that is yet to be shown
    }
    // Moves the frame, as far as it sticks out, back into the area.
    const QRect framed = window->frameGeometry();
    const QPoint inside(std::clamp(framed.left(), area.left(),
                                   std::max(area.left(), area.right() - framed.width() + 1)),
                        std::clamp(framed.top(), area.top(),
                                   std::max(area.top(), area.bottom() - framed.height() + 1)));
    if (inside != framed.topLeft()) {
        window->move(inside);
    }
}
