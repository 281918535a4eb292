#include "ui/FolderRow.h"

#include "model/ByteFormatter.h"
#include "model/FolderItemList.h"
#include "model/VisibleText.h"
#include "platform/DisplayPath.h"
#include "platform/FileSystem.h"
#include "platform/gui/DesktopServices.h"
#include "ui/CapsuleLabel.h"
#include "ui/CategoryIcon.h"
#include "ui/ControlStyle.h"
#include "ui/PlainButton.h"
#include "ui/SymbolView.h"
#include "ui/TextLabel.h"
#include "ui/Theme.h"
#include "ui/WindowTexts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

using Role = Theme::Color::Role;

CapsuleLabel* makeBadge(QWidget* parent) {
    return new CapsuleLabel(Theme::systemFont(Theme::Badge::fontSize, QFont::DemiBold),
                            Theme::Color::of(Tint::green), Theme::Badge::paddingH,
                            Theme::Badge::paddingV, Theme::tintFillOpacity, parent);
}

} // namespace

FolderRow::Environment FolderRow::Environment::system() {
    return {FileSystem::system()->homePath(), &DesktopServices::system()};
}

FolderRow::FolderRow(FolderItemList& items, int position, const Environment& environment,
                     QWidget* parent)
    : QWidget(parent)
    , m_items(items)
    , m_position(position)
    , m_environment(environment) {
    const FolderItem& item = m_items.item(m_position);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(Theme::Row::paddingH, Theme::Row::paddingV, Theme::Row::paddingH,
                            Theme::Row::paddingV);
    row->setSpacing(Theme::Row::spacing);

    m_check = new QCheckBox(this);
    ControlStyle::apply(m_check);
    row->addWidget(m_check, 0, Qt::AlignVCenter);
    connect(m_check, &QCheckBox::clicked, this,
            [this](bool checked) { m_items.setSelected(m_position, checked); });

    m_icon = new CategoryIcon(item.category, this);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);

    // Both columns sit in the middle of the row whatever its height; as aligned widgets they are
    // given the height their text needs at the width they get.
    auto* textColumn = new QWidget(this);
    auto* text = new QVBoxLayout(textColumn);
    text->setContentsMargins(0, 0, 0, 0);
    text->setSpacing(Theme::Row::textSpacing);
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(Theme::Row::nameSpacing);
    m_name = new TextLabel(Theme::font(Theme::TextStyle::headline), Theme::Color::of(Role::primary),
                           this);
    m_name->setMaximumLineCount(0);
    m_safetyBadge = makeBadge(this);
    m_sudoBadge = makeBadge(this);
    m_sudoBadge->setText(WindowTexts::sudoBadge());
    m_sudoBadge->setColor(Theme::Color::of(Tint::red));
    nameRow->addWidget(m_name, 0, Qt::AlignVCenter);
    nameRow->addWidget(m_safetyBadge, 0, Qt::AlignVCenter);
    nameRow->addWidget(m_sudoBadge, 0, Qt::AlignVCenter);
    nameRow->addStretch(1);
    text->addLayout(nameRow);

    m_subtitle = new TextLabel(Theme::font(Theme::TextStyle::subheadline),
                               Theme::Color::of(Role::secondary), this);
    m_subtitle->setMaximumLineCount(Theme::Row::subtitleLines);
    text->addWidget(m_subtitle);

    auto* pathRow = new QHBoxLayout;
    pathRow->setSpacing(Theme::Row::pathSpacing);
    const QFont caption2 = Theme::font(Theme::TextStyle::caption2);
    m_pathSymbol = new SymbolView(Symbol::folder, caption2.pixelSize(), QFont::Normal,
                                  Theme::Color::of(Role::tertiary), this);
    m_path = new TextLabel(Theme::font(Theme::TextStyle::caption), Theme::Color::of(Role::tertiary),
                           this);
    // The line says what will be deleted: all of it is shown, broken anywhere, never cut.
    m_path->setMaximumLineCount(0);
    m_path->setWrapAnywhere(true);
    pathRow->addWidget(m_pathSymbol, 0, Qt::AlignTop);
    pathRow->addWidget(m_path, 1);
    text->addLayout(pathRow);
    row->addWidget(textColumn, 1, Qt::AlignVCenter);

    auto* sizeBlock = new QWidget(this);
    auto* sizeColumn = new QVBoxLayout(sizeBlock);
    sizeColumn->setContentsMargins(0, 0, 0, 0);
    sizeColumn->setSpacing(Theme::Row::sizeSpacing);
    m_size = new TextLabel(
        Theme::systemFont(Theme::Row::sizeFontSize, QFont::Bold, Theme::Design::rounded),
        Theme::Color::of(Role::primary), this);
    m_size->setAlignment(Qt::AlignRight);
    m_reveal = new PlainButton(WindowTexts::reveal(), Symbol::magnifyingglass,
                               Theme::font(Theme::TextStyle::caption),
                               Theme::Color::of(Role::accent), this);
    connect(m_reveal, &PlainButton::clicked, this, [this] {
        if (m_environment.desktop != nullptr) {
            m_environment.desktop->revealInFileManager(m_items.item(m_position).path);
        }
    });
    sizeColumn->addWidget(m_size, 0, Qt::AlignRight);
    sizeColumn->addWidget(m_reveal, 0, Qt::AlignRight);
    row->addWidget(sizeBlock, 0, Qt::AlignVCenter);

    refresh();
}

void FolderRow::refresh() {
    const FolderItem& item = m_items.item(m_position);
    // Names, subtitles (which may name a version found on disk) and paths come from the disk: they
    // are shown with anything that could disguise them marked.
    const QString name = visibleText(item.name);
    const QString path = visibleText(item.path);
    m_check->setChecked(item.isSelected);
    // The name beside the checkbox is its label; a screen reader reads it as the box's name.
    m_check->setAccessibleName(name);
    m_icon->setCategory(item.category);
    m_name->setText(name);
    m_safetyBadge->setText(badgeLabel(item.safetyTier));
    m_safetyBadge->setColor(Theme::Color::of(tint(item.safetyTier)));
    m_sudoBadge->setVisible(item.requiresSudo);
    m_subtitle->setText(visibleText(item.subtitle));
    m_subtitle->setVisible(!item.subtitle.isEmpty());
    // A target that runs a command shows what the cleanup will run in place of where it lies: the
    // folder holds the engine's own data and is never removed.
    const bool runs = item.runsCommand();
    m_pathSymbol->setSymbol(runs ? Symbol::terminal : Symbol::folder);
    m_path->setText(
        visibleText(runs ? *item.cliCommand : displayPath(item.path, m_environment.homePath)));
    const QString details =
        runs ? WindowTexts::commandDetails(visibleText(*item.cliCommand), path) : path;
    // Tool tips take text that looks like markup for markup; a path is shown as it is.
    m_path->setToolTip(Qt::convertFromPlainText(details, Qt::WhiteSpaceNoWrap));
    // Screen readers would read the tool tip's markup.
    m_path->setAccessibleDescription(details);
    m_size->setText(formatBytes(item.size));
    m_reveal->setAccessibleName(WindowTexts::revealItem(item.name));
    m_reveal->setAccessibleDescription(path);
}

void FolderRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Theme::fillRoundedRect(
        painter, rect(), Theme::Row::radius,
        Theme::resolve(
            Theme::Color::of(Role::controlBackground).withOpacity(Theme::Row::fillOpacity),
            palette()));
}
