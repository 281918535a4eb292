#include "ui/CollapseButton.h"

#include "ui/ReturnKey.h"
#include "ui/SymbolView.h"
#include "ui/TextLabel.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {

using Role = Theme::Color::Role;

} // namespace

CollapseButton::CollapseButton(CleanupCategory category, QWidget* parent)
    : QAbstractButton(parent) {
    setFocusPolicy(Qt::TabFocus);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);

    auto* label = new QHBoxLayout(this);
    label->setContentsMargins(0, 0, 0, 0);
    label->setSpacing(Theme::Header::labelSpacing);
    m_chevron = new SymbolView(Symbol::chevronDown, Theme::scaled(Theme::Header::chevronFontSize),
                               QFont::Bold, Theme::Color::of(Role::secondary), this);
    m_chevron->setFixedWidth(Theme::scaled(Theme::Header::chevronFrame));
    auto* icon = new SymbolView(symbol(category), Theme::scaled(Theme::Header::symbolFontSize),
                                QFont::DemiBold, Theme::Color::of(tint(category)), this);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(Theme::Header::titleSpacing);
    QFont titleFont = Theme::font(Theme::TextStyle::title3);
    titleFont.setWeight(QFont::Bold);
    m_title = new TextLabel(titleFont, Theme::Color::of(Role::primary), this);
    m_title->setMaximumLineCount(0);
    m_title->setText(title(category));
    m_summary = new TextLabel(Theme::font(Theme::TextStyle::caption2),
                              Theme::Color::of(Role::secondary), this);
    m_summary->setMaximumLineCount(0);
    m_summary->setText(summary(category));
    titles->addWidget(m_title);
    titles->addWidget(m_summary);
    label->addWidget(m_chevron, 0, Qt::AlignVCenter);
    label->addWidget(icon, 0, Qt::AlignVCenter);
    label->addLayout(titles, 1);

    // The parts only draw; clicks and keys belong to the button.
    for (QWidget* part : {static_cast<QWidget*>(m_chevron), static_cast<QWidget*>(icon),
                          static_cast<QWidget*>(m_title), static_cast<QWidget*>(m_summary)}) {
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    setAccessibleName(title(category));
    setAccessibleDescription(summary(category));
}

void CollapseButton::setCollapsed(bool collapsed) {
    m_chevron->setSymbol(collapsed ? Symbol::chevronRight : Symbol::chevronDown);
}

QSize CollapseButton::sizeHint() const {
    return layout()->sizeHint();
}

QSize CollapseButton::minimumSizeHint() const {
    return layout()->minimumSize();
}

bool CollapseButton::hasHeightForWidth() const {
    return true;
}

int CollapseButton::heightForWidth(int width) const {
    return layout()->heightForWidth(width);
}

void CollapseButton::paintEvent(QPaintEvent*) {
    if (hasFocus()) {
        QPainter painter(this);
        Theme::paintFocusRing(painter, rect(), 6, palette());
    }
}

void CollapseButton::keyPressEvent(QKeyEvent* event) {
    if (!pressOnReturn(*this, *event)) {
        QAbstractButton::keyPressEvent(event);
    }
}
