#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>

class QWidget;
class QWindow;

// Keeps a new window, frame included, inside the available area of its screen. The window manager
// frames a window only once it is shown, so the window is sized to the room without a frame first
// and sized and placed once more when it first comes on screen, when its frame is known. Where the
// room is smaller than the content's minimum, the content gives it up and its parts lay
// themselves out in what there is.
class WindowPlacement : public QObject {
    Q_OBJECT

public:
    // Shows `window` at `preferred` or smaller; `content` is the part whose minimum yields.
    static void show(QWidget* window, QWidget* content, QSize preferred);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowPlacement(QWidget* window, QWidget* content);
    // Fits the window with its frame (as far as it is known) into its screen's available area.
    void fit(QSize preferred);

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_content;
};
