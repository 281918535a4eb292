#include "ui/Dashboard.h"

#include "model/FolderItemList.h"
#include "ui/ActivityIndicator.h"
#include "ui/CategorySection.h"
#include "ui/CollapseButton.h"
#include "ui/ControlStyle.h"
#include "ui/DiskCard.h"
#include "ui/PlainButton.h"
#include "ui/SymbolView.h"
#include "ui/TextLabel.h"
#include "ui/Theme.h"
#include "ui/WindowTexts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

using Role = Theme::Color::Role;

QPushButton* makeQuickButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    // The platform's small control size.
    button->setAttribute(Qt::WA_MacSmallSize);
    QFont small = button->font();
    small.setPixelSize(Theme::scaled(Theme::Page::buttonFontSize));
    button->setFont(small);
    // Return presses it when it has the focus, as Space does.
    button->setAutoDefault(true);
    ControlStyle::apply(button);
    return button;
}

// The soft shadow under the disk card, drawn by its parent because it falls outside the card.
void paintCardShadow(QPainter& painter, const QRectF& card, const QPalette& palette) {
    const int steps = Theme::Card::shadowRadius;
    const QColor total = Theme::resolve(
        Theme::Color::of(Role::black).withOpacity(Theme::Card::shadowOpacity), palette);
    QColor layer = total;
    layer.setAlphaF(total.alphaF() / static_cast<float>(steps) * 2.0f);
    const QRectF shadow = card.translated(0, Theme::Card::shadowOffsetY);
    // Rings that grow outwards and overlap: dense at the edge, fading to nothing at the radius.
    for (int step = steps; step >= 1; --step) {
        const qreal grow = step;
        Theme::fillRoundedRect(painter, shadow.adjusted(-grow, -grow, grow, grow),
                               Theme::Card::radius + grow, layer);
        layer.setAlphaF(layer.alphaF() * 0.85f);
    }
}

} // namespace

Dashboard::Dashboard(FolderItemList& items, FolderRow::Environment environment, QWidget* parent)
    : QWidget(parent)
    , m_items(items)
    , m_environment(std::move(environment)) {
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(Theme::Page::paddingH, Theme::Page::paddingV, Theme::Page::paddingH,
                             Theme::Page::paddingV);
    page->setSpacing(Theme::Page::spacing);

    m_card = new DiskCard(this);
    page->addWidget(m_card);

    auto* header = new QHBoxLayout;
    header->setSpacing(Theme::Page::buttonSpacing);
    auto* heading = new TextLabel(Theme::font(Theme::TextStyle::headline),
                                  Theme::Color::of(Role::secondary), this);
    heading->setText(WindowTexts::categoriesHeading());
    header->addWidget(heading, 0, Qt::AlignVCenter);
    header->addStretch(1);
    m_selectSafe = makeQuickButton(WindowTexts::selectSafeCaches(), this);
    m_selectAll = makeQuickButton(WindowTexts::selectAll(), this);
    m_deselectAll = makeQuickButton(WindowTexts::deselectAll(), this);
    connect(m_selectSafe, &QPushButton::clicked, this, &Dashboard::quickSelectSafeRequested);
    connect(m_selectAll, &QPushButton::clicked, this, &Dashboard::selectAllRequested);
    connect(m_deselectAll, &QPushButton::clicked, this, &Dashboard::deselectAllRequested);
    header->addWidget(m_selectSafe);
    header->addWidget(m_selectAll);
    header->addWidget(m_deselectAll);
    page->addLayout(header);

    m_empty = makeEmptyState();
    page->addWidget(m_empty);
    m_scanning = makeScanningState();
    page->addWidget(m_scanning);

    m_sectionsArea = new QWidget(this);
    m_sectionsLayout = new QVBoxLayout(m_sectionsArea);
    m_sectionsLayout->setContentsMargins(0, 0, 0, 0);
    m_sectionsLayout->setSpacing(Theme::Page::sectionSpacing);
    page->addWidget(m_sectionsArea);
    // Short content stays at the top of a taller viewport.
    page->addStretch(1);

    connect(&m_items, &FolderItemList::modelReset, this, &Dashboard::rebuildSections);
    // Rows are only ever replaced as a whole, but any structural change is met the same way.
    connect(&m_items, &FolderItemList::rowsInserted, this, &Dashboard::rebuildSections);
    connect(&m_items, &FolderItemList::rowsRemoved, this, &Dashboard::rebuildSections);
    connect(&m_items, &FolderItemList::rowsMoved, this, &Dashboard::rebuildSections);
    connect(&m_items, &FolderItemList::layoutChanged, this, &Dashboard::rebuildSections);
    connect(&m_items, &FolderItemList::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                selectionChanged(topLeft.row(), bottomRight.row());
            });

    rebuildSections();
}

QWidget* Dashboard::makeEmptyState() {
    auto* empty = new QWidget(this);
    empty->setMinimumHeight(Theme::Empty::minimumHeight);
    auto* stack = new QVBoxLayout(empty);
    stack->setContentsMargins(Theme::Empty::padding, Theme::Empty::padding, Theme::Empty::padding,
                              Theme::Empty::padding);
    stack->setSpacing(Theme::Empty::spacing);
    stack->addStretch(1);
    auto* seal =
        new SymbolView(Symbol::checkmarkSealFill, Theme::scaled(Theme::Empty::symbolFontSize),
                       QFont::Normal, Theme::Color::of(Tint::green), empty);
    stack->addWidget(seal, 0, Qt::AlignHCenter);
    QFont titleFont = Theme::font(Theme::TextStyle::title2);
    titleFont.setWeight(QFont::Bold);
    auto* title = new TextLabel(titleFont, Theme::Color::of(Role::primary), empty);
    title->setMaximumLineCount(0);
    title->setAlignment(Qt::AlignHCenter);
    title->setText(WindowTexts::cleanTitle());
    stack->addWidget(title, 0, Qt::AlignHCenter);
    auto* message = new TextLabel(Theme::font(Theme::TextStyle::subheadline),
                                  Theme::Color::of(Role::secondary), empty);
    message->setMaximumLineCount(0);
    message->setAlignment(Qt::AlignHCenter);
    message->setMaximumWidth(Theme::scaled(Theme::Empty::textWidth));
    message->setText(WindowTexts::cleanMessage());
    stack->addWidget(message, 0, Qt::AlignHCenter);
    stack->addStretch(1);
    return empty;
}

QWidget* Dashboard::makeScanningState() {
    auto* scanning = new QWidget(this);
    scanning->setMinimumHeight(Theme::Empty::minimumHeight);
    auto* stack = new QVBoxLayout(scanning);
    stack->setContentsMargins(Theme::Empty::padding, Theme::Empty::padding, Theme::Empty::padding,
                              Theme::Empty::padding);
    stack->setSpacing(Theme::Empty::spacing);
    stack->addStretch(1);
    m_scanningIndicator = new ActivityIndicator(scanning);
    stack->addWidget(m_scanningIndicator, 0, Qt::AlignHCenter);
    m_scanningStatus = new TextLabel(Theme::font(Theme::TextStyle::subheadline),
                                     Theme::Color::of(Role::secondary), scanning);
    m_scanningStatus->setMaximumLineCount(0);
    m_scanningStatus->setAlignment(Qt::AlignHCenter);
    m_scanningStatus->setMaximumWidth(Theme::scaled(Theme::Empty::textWidth));
    stack->addWidget(m_scanningStatus, 0, Qt::AlignHCenter);
    stack->addStretch(1);
    scanning->hide();
    return scanning;
}

void Dashboard::setScanStatus(bool scanning, const QString& status) {
    m_scanningStatus->setText(status);
    if (scanning != m_isScanning) {
        m_isScanning = scanning;
        showListOrState();
    }
}

void Dashboard::showListOrState() {
    // An empty list means "nothing found" only once a scan has looked.
    const bool empty = m_items.isEmpty();
    m_empty->setVisible(empty && !m_isScanning);
    m_scanning->setVisible(empty && m_isScanning);
    m_sectionsArea->setVisible(!empty);
}

void Dashboard::setDiskInfo(const DiskSpaceInfo& disk) {
    m_disk = disk;
    refreshFigures();
}

CategorySection* Dashboard::section(CleanupCategory category) const {
    for (CategorySection* candidate : m_sections) {
        if (candidate->category() == category) {
            return candidate;
        }
    }
    return nullptr;
}

void Dashboard::rebuildSections() {
    setUpdatesEnabled(false);
    for (CategorySection* old : std::as_const(m_sections)) {
        // Out of the tree at once, destroyed once control is back in the event loop: the reset
        // may have been started from inside one of these widgets' own signals.
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }
    m_sections.clear();

    for (CleanupCategory category : allCases<CleanupCategory>) {
        const QList<int> positions = m_items.positions(category);
        if (positions.isEmpty()) {
            continue;
        }
        auto* section =
            new CategorySection(category, m_items, positions, m_collapsed.contains(category),
                                m_environment, m_sectionsArea);
        connect(section, &CategorySection::collapseRequested, this, &Dashboard::toggleCollapsed);
        m_sectionsLayout->addWidget(section);
        // At once, not when the layout would get round to it: the list is on screen now.
        section->show();
        m_sections.append(section);
    }
    showListOrState();
    chainTabOrder();
    refreshFigures();
    setUpdatesEnabled(true);
}

void Dashboard::chainTabOrder() {
    // New widgets join the end of the window's focus chain; put them back right after the
    // quick-selection buttons, in the order they are shown.
    QWidget* previous = m_deselectAll;
    for (CategorySection* section : std::as_const(m_sections)) {
        QList<QWidget*> chain{section->collapseButton(), section->selectAllBox()};
        for (FolderRow* row : section->rows()) {
            chain.append(row->checkBox());
            chain.append(row->revealButton());
        }
        for (QWidget* next : chain) {
            setTabOrder(previous, next);
            previous = next;
        }
    }
}

void Dashboard::selectionChanged(int first, int last) {
    for (CategorySection* section : std::as_const(m_sections)) {
        section->refreshSelection(first, last);
    }
    refreshFigures();
}

void Dashboard::refreshFigures() {
    // The card shows what the cleanup frees: targets left for the administrator command are not
    // freed by it.
    m_card->setFigures(m_disk, m_items.selectedBytes(FolderItemList::Part::program));
}

void Dashboard::toggleCollapsed(CleanupCategory category) {
    const bool collapse = !m_collapsed.contains(category);
    if (collapse) {
        m_collapsed.insert(category);
    } else {
        m_collapsed.remove(category);
    }
    if (CategorySection* shown = section(category)) {
        shown->setCollapsed(collapse, m_animated);
    }
}

void Dashboard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintCardShadow(painter, m_card->geometry(), palette());
}
