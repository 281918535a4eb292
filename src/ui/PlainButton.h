#pragma once

#include "ui/Theme.h"

#include <QAbstractButton>

// A borderless button of a symbol and a title in one colour (the platform's plain button style),
// such as a row's "Reveal". Reached with Tab, pressed with Space or Return.
class PlainButton : public QAbstractButton {
    Q_OBJECT

public:
    PlainButton(const QString& text, Symbol symbol, const QFont& font, Theme::Color color,
                QWidget* parent = nullptr);

    Theme::Color color() const { return m_color; }
    Symbol symbol() const { return m_symbol; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int symbolBox() const;

    Symbol m_symbol;
    Theme::Color m_color;
};
