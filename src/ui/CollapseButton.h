#pragma once

#include "model/CleanupCategory.h"

#include <QAbstractButton>

class SymbolView;
class TextLabel;

// The label of a section header that folds the section: a chevron, the category's symbol, its
// title and its summary. The whole label is one button, reached with Tab and pressed with Space
// or Return.
class CollapseButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit CollapseButton(CleanupCategory category, QWidget* parent = nullptr);

    // Points the chevron right (collapsed) or down (expanded).
    void setCollapsed(bool collapsed);
    SymbolView* chevron() const { return m_chevron; }
    TextLabel* titleLabel() const { return m_title; }
    TextLabel* summaryLabel() const { return m_summary; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    SymbolView* m_chevron;
    TextLabel* m_title;
    TextLabel* m_summary;
};
