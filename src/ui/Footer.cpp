#include "ui/Footer.h"

#include "model/ByteFormatter.h"
#include "ui/ActivityIndicator.h"
#include "ui/ContentState.h"
#include "ui/ControlStyle.h"
#include "ui/SymbolView.h"
#include "ui/TextLabel.h"
#include "ui/Theme.h"
#include "ui/WindowTexts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int progressResolution = 1000;

// A button's symbol, with room on the side of its text: styles keep a few pixels between a
// button's icon and its text whatever the size of the text, which leaves a symbol for large text
// touching it.
QSize iconSize() {
    const int box = Theme::symbolBox(Theme::scaled(Theme::Footer::symbolFontSize));
    return {box + Theme::scaled(Theme::Footer::iconSpacing), box};
}

QIcon symbolIcon(Symbol symbol, const QColor& color, const QWidget& widget) {
    const QSize size = iconSize();
    const int box = size.height();
    const qreal ratio = widget.devicePixelRatioF();
    QPixmap icon(size * ratio);
    icon.setDevicePixelRatio(ratio);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    const int left = widget.layoutDirection() == Qt::RightToLeft ? size.width() - box : 0;
    painter.drawPixmap(left, 0, Theme::symbol(symbol, color, box, ratio, QFont::DemiBold));
    return QIcon(icon);
}

} // namespace

Footer::Footer(ContentState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_spinner(new ActivityIndicator(this))
    , m_idle(new SymbolView(Symbol::checkmarkCircleFill,
                            Theme::scaled(Theme::Footer::symbolFontSize), QFont::Normal,
                            Theme::Color::of(Tint::green), this))
    , m_status(new TextLabel(Theme::font(Theme::TextStyle::subheadline),
                             Theme::Color::of(Theme::Color::Role::secondary), this))
    , m_progress(new QProgressBar(this))
    , m_summary(new QWidget(this))
    , m_count(new TextLabel(Theme::font(Theme::TextStyle::caption),
                            Theme::Color::of(Theme::Color::Role::secondary), m_summary))
    , m_size(new TextLabel(
          Theme::systemFont(Theme::Footer::sizeFontSize, QFont::Bold, Theme::Design::rounded),
          Theme::Color::of(Theme::Color::Role::primary), m_summary))
    , m_rescan(new QPushButton(WindowTexts::rescan(), this))
    , m_clean(new QPushButton(this)) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    m_status->setMaximumLineCount(1);
    m_status->setAnnounced(true);
    m_progress->setRange(0, progressResolution);
    m_progress->setTextVisible(false);
    m_progress->setFixedSize(Theme::Footer::progressWidth, Theme::Footer::progressHeight);
    m_progress->setAccessibleName(WindowTexts::cleanupProgress());

    auto* statusText = new QVBoxLayout;
    statusText->setSpacing(Theme::Footer::statusLineSpacing);
    statusText->addWidget(m_status);
    // Aligned, the bar's fixed width does not cap the column: the status line takes the room.
    statusText->addWidget(m_progress, 0, Qt::AlignLeft);
    auto* statusBlock = new QHBoxLayout;
    statusBlock->setSpacing(Theme::Footer::statusSpacing);
    statusBlock->addWidget(m_spinner, 0, Qt::AlignVCenter);
    statusBlock->addWidget(m_idle, 0, Qt::AlignVCenter);
    statusBlock->addLayout(statusText, 1);

    auto* summary = new QVBoxLayout(m_summary);
    summary->setContentsMargins(0, 0, 0, 0);
    summary->setSpacing(Theme::Footer::summarySpacing);
    m_count->setAlignment(Qt::AlignRight);
    m_size->setAlignment(Qt::AlignRight);
    summary->addWidget(m_count, 0, Qt::AlignRight);
    summary->addWidget(m_size, 0, Qt::AlignRight);

    QFont cleanFont = m_clean->font();
    cleanFont.setBold(true);
    m_clean->setFont(cleanFont);
    m_clean->setMinimumHeight(Theme::ProminentButton::minimumHeight);
    m_clean->setDefault(false);
    // Return presses the focused button as Space does; nothing is pressed by Return elsewhere.
    m_clean->setAutoDefault(true);
    m_rescan->setAutoDefault(true);
    ControlStyle::apply(m_rescan);
    // The buttons keep their natural width; the status block takes the free space.
    for (QPushButton* button : {m_rescan, m_clean}) {
        button->setSizePolicy(QSizePolicy::Fixed, button->sizePolicy().verticalPolicy());
    }

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(Theme::Footer::paddingH, Theme::Footer::paddingV,
                            Theme::Footer::paddingH, Theme::Footer::paddingV);
    row->setSpacing(Theme::Footer::spacing);
    row->addLayout(statusBlock, 1);
    row->addWidget(m_summary);
    row->addWidget(m_rescan);
    row->addWidget(m_clean);

    connect(m_rescan, &QPushButton::clicked, this, &Footer::rescanRequested);
    connect(m_clean, &QPushButton::clicked, this, [this] { m_state.requestCleanup(); });
    updateIcons();
    refresh();
}

void Footer::refresh() {
    const bool cleaning = m_state.isCleaning();
    m_spinner->setVisible(m_state.isBusy());
    m_idle->setVisible(!m_state.isBusy());
    m_status->setText(m_state.statusLine());
    m_progress->setVisible(cleaning);
    m_progress->setValue(int(m_state.cleanupProgress() * progressResolution));

    const qsizetype count = m_state.selectedCount();
    m_summary->setVisible(count > 0);
    m_count->setText(WindowTexts::selectionCount(count));
    m_size->setText(formatBytes(m_state.selectedBytes()));
    // The selection figures are never cut: the status line gives way instead.
    m_count->setMinimumWidth(m_count->sizeHint().width());
    m_size->setMinimumWidth(m_size->sizeHint().width());

    m_rescan->setEnabled(m_state.canRescan());
    // The button promises what the cleanup frees; targets left for the administrator command are
    // said apart. It stays enabled for them alone: that run is how the user gets the command.
    using Part = ContentState::Part;
    const qsizetype administrator = m_state.selectedCount(Part::administrator);
    m_clean->setText(WindowTexts::cleanSelected(m_state.selectedBytes(Part::program)));
    m_clean->setToolTip(administrator == 0
                            ? QString()
                            : WindowTexts::leftForAdministrator(
                                  administrator, m_state.selectedBytes(Part::administrator)));
    m_clean->setEnabled(m_state.canClean());
}

void Footer::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        updateIcons();
    }
}

void Footer::updateIcons() {
    m_rescan->setIconSize(iconSize());
    m_clean->setIconSize(iconSize());
    m_rescan->setIcon(
        symbolIcon(Symbol::arrowClockwise, palette().color(QPalette::ButtonText), *this));
    m_clean->setIcon(symbolIcon(Symbol::trashFill, Theme::prominentButtonText(), *this));
    m_clean->setStyleSheet(Theme::prominentButtonStyleSheet(palette()));
}
