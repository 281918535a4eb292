#include "ui/CategorySection.h"

#include "model/ByteFormatter.h"
#include "model/FolderItemList.h"
#include "ui/CapsuleLabel.h"
#include "ui/CollapseButton.h"
#include "ui/ControlStyle.h"
#include "ui/Theme.h"
#include "ui/WindowTexts.h"

#include <QCheckBox>
#include <QEasingCurve>
#include <QHBoxLayout>
#include <QPainter>
#include <QPropertyAnimation>
#include <QVBoxLayout>

namespace {

using Role = Theme::Color::Role;

// The platform's ease-in-out: a cubic Bézier through (0.42, 0) and (0.58, 1).
QEasingCurve easeInOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

} // namespace

CategorySection::CategorySection(CleanupCategory category, FolderItemList& items,
                                 const QList<int>& positions, bool collapsed,
                                 const FolderRow::Environment& environment, QWidget* parent)
    : QWidget(parent)
    , m_category(category)
    , m_items(items)
    , m_positions(positions)
    , m_collapsed(collapsed) {
    auto* section = new QVBoxLayout(this);
    section->setContentsMargins(Theme::Section::padding, Theme::Section::padding,
                                Theme::Section::padding, Theme::Section::padding);
    section->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(Theme::Header::paddingH, Theme::Header::paddingV,
                               Theme::Header::paddingH, Theme::Header::paddingV);
    header->setSpacing(Theme::Header::spacing);
    m_collapseButton = new CollapseButton(category, this);
    m_collapseButton->setCollapsed(collapsed);
    connect(m_collapseButton, &CollapseButton::clicked, this,
            [this] { emit collapseRequested(m_category); });
    // Only the label is the control; the space between it and the total does nothing.
    header->addWidget(m_collapseButton);
    header->addStretch(1);

    m_total = new CapsuleLabel(
        Theme::systemFont(Theme::Header::totalFontSize, QFont::DemiBold, Theme::Design::rounded),
        Theme::Color::of(tint(category)), Theme::Header::totalPaddingH,
        Theme::Header::totalPaddingV, Theme::pillFillOpacity, this);
    const QString total = formatBytes(m_items.totalBytes(category));
    m_total->setText(total);
    m_total->setAccessibleFigure(WindowTexts::categoryTotal(title(category)), total);
    header->addWidget(m_total, 0, Qt::AlignVCenter);

    m_selectAll = new QCheckBox(this);
    ControlStyle::apply(m_selectAll);
    const QString selectAllText = WindowTexts::selectCategory(title(category));
    m_selectAll->setToolTip(selectAllText);
    m_selectAll->setAccessibleName(selectAllText);
    connect(m_selectAll, &QCheckBox::clicked, this,
            [this](bool checked) { m_items.setCategorySelected(m_category, checked); });
    header->addWidget(m_selectAll, 0, Qt::AlignVCenter);
    section->addLayout(header);

    // The gap above the rows belongs to the rows, so it folds away with them.
    m_rowsArea = new QWidget(this);
    auto* rows = new QVBoxLayout(m_rowsArea);
    rows->setContentsMargins(Theme::Section::rowIndent, Theme::Section::spacing, 0, 0);
    rows->setSpacing(Theme::Section::rowSpacing);
    for (int position : m_positions) {
        auto* row = new FolderRow(m_items, position, environment, m_rowsArea);
        rows->addWidget(row);
        m_rows.append(row);
    }
    section->addWidget(m_rowsArea);
    m_rowsArea->setVisible(!collapsed);

    refreshSelection(0, -1);
}

void CategorySection::refreshSelection(int first, int last) {
    for (FolderRow* row : m_rows) {
        if (row->position() >= first && row->position() <= last) {
            row->refresh();
        }
    }
    m_selectAll->setChecked(m_items.isAllSelected(m_category));
}

void CategorySection::setCollapsed(bool collapsed, bool animated) {
    m_collapsed = collapsed;
    m_collapseButton->setCollapsed(collapsed);
    if (m_animation) {
        // Pressed again while sliding: the new slide starts where the old one stopped.
        m_animation->disconnect(this);
        m_animation->stop();
        delete m_animation;
    }
    if (!animated) {
        finishAnimation();
        return;
    }
    // The rows slide between their current height and their full height or nothing.
    const int from = m_rowsArea->isVisible() ? m_rowsArea->height() : 0;
    const int to = collapsed ? 0 : expandedRowsHeight();
    m_rowsArea->setMaximumHeight(from);
    m_rowsArea->setVisible(true);
    m_animation = new QPropertyAnimation(m_rowsArea, "maximumHeight", this);
    m_animation->setDuration(Theme::Section::animationMs);
    m_animation->setEasingCurve(easeInOut());
    m_animation->setStartValue(from);
    m_animation->setEndValue(to);
    connect(m_animation, &QPropertyAnimation::finished, this, &CategorySection::finishAnimation);
    m_animation->start(QAbstractAnimation::DeleteWhenStopped);
}

int CategorySection::expandedRowsHeight() const {
    // A folded area has no current geometry; its width is the section's less the padding.
    const int width = this->width() - 2 * Theme::Section::padding;
    QLayout* rows = m_rowsArea->layout();
    const int height = rows->hasHeightForWidth() ? rows->totalHeightForWidth(width) : -1;
    return height >= 0 ? height : rows->totalSizeHint().height();
}

void CategorySection::finishAnimation() {
    m_rowsArea->setMaximumHeight(QWIDGETSIZE_MAX);
    m_rowsArea->setVisible(!m_collapsed);
}

void CategorySection::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Theme::fillRoundedRect(
        painter, rect(), Theme::Section::radius,
        Theme::resolve(
            Theme::Color::of(Role::windowBackground).withOpacity(Theme::Section::fillOpacity),
            palette()));
}
