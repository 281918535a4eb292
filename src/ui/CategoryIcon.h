#pragma once

#include "model/CleanupCategory.h"

#include <QWidget>

// A category's symbol in its colour on a circle of the same colour at low opacity.
class CategoryIcon : public QWidget {
    Q_OBJECT

public:
    explicit CategoryIcon(CleanupCategory category, QWidget* parent = nullptr);

    void setCategory(CleanupCategory category);
    CleanupCategory category() const { return m_category; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CleanupCategory m_category;
};
