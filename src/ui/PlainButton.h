#pragma once

#include "ui/Theme.h"

#include <QAbstractButton>

// A borderless button of a symbol and a title in one colour (the platform's plain button style),
// such as a row's "Reveal". Reached with Tab, pressed with Space.
class PlainButton : public QAbstractButton {
    Q_OBJECT

public:
    PlainButton(const QString& text, const QString& symbolName, const QFont& font,
                Theme::Color color, QWidget* parent = nullptr);

    Theme::Color color() const { return m_color; }
    const QString& symbolName() const { return m_symbolName; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int symbolBox() const;

    QString m_symbolName;
    Theme::Color m_color;
};
