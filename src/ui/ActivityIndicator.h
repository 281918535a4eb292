#pragma once

#include <QVariantAnimation>
#include <QWidget>

// A small indeterminate spinner (the platform's small activity indicator). It turns only while
// visible, so a hidden one costs nothing.
class ActivityIndicator : public QWidget {
    Q_OBJECT

public:
    explicit ActivityIndicator(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QVariantAnimation m_turn;
};
