#include "ui/Footer.h"

#include "model/ByteFormatter.h"
#include "ui/ActivityIndicator.h"
#include "ui/ContentState.h"
#include "ui/SymbolView.h"
#include "ui/TextLabel.h"
#include "ui/Theme.h"
#include "ui/WindowTexts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int progressResolution = 1000;

QIcon symbolIcon(const QString& name, const QColor& color, const QWidget& widget) {
    const int box = Theme::symbolBox(13);
    QIcon icon(Theme::symbol(name, color, box, widget.devicePixelRatioF(), QFont::DemiBold));
    return icon;
}

} // namespace

Footer::Footer(ContentState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_spinner(new ActivityIndicator(this))
    , m_idle(new SymbolView(QStringLiteral("checkmark.circle.fill"), 13, QFont::Normal,
                            Theme::Color::of(Tint::green), this))
    , m_status(new TextLabel(Theme::font(Theme::TextStyle::subheadline),
                             Theme::Color::of(Theme::Color::Role::secondary), this))
    , m_progress(new QProgressBar(this))
    , m_summary(new QWidget(this))
    , m_count(new TextLabel(Theme::font(Theme::TextStyle::caption),
                            Theme::Color::of(Theme::Color::Role::secondary), m_summary))
    , m_size(new TextLabel(Theme::systemFont(15, QFont::Bold, Theme::Design::rounded),
                           Theme::Color::of(Theme::Color::Role::primary), m_summary))
    , m_rescan(new QPushButton(WindowTexts::rescan(), this))
    , m_clean(new QPushButton(this)) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    m_status->setMaximumLineCount(1);
    m_progress->setRange(0, progressResolution);
    m_progress->setTextVisible(false);
    m_progress->setFixedSize(140, 6);
    m_progress->setAccessibleName(QStringLiteral("Cleanup progress"));

    auto* statusText = new QVBoxLayout;
    statusText->setSpacing(2);
    statusText->addWidget(m_status);
    // Aligned, the bar's fixed width does not cap the column: the status line takes the room.
    statusText->addWidget(m_progress, 0, Qt::AlignLeft);
    auto* statusBlock = new QHBoxLayout;
    statusBlock->setSpacing(8);
    statusBlock->addWidget(m_spinner, 0, Qt::AlignVCenter);
    statusBlock->addWidget(m_idle, 0, Qt::AlignVCenter);
    statusBlock->addLayout(statusText, 1);

    auto* summary = new QVBoxLayout(m_summary);
    summary->setContentsMargins(0, 0, 0, 0);
    summary->setSpacing(1);
    m_count->setAlignment(Qt::AlignRight);
    m_size->setAlignment(Qt::AlignRight);
    summary->addWidget(m_count, 0, Qt::AlignRight);
    summary->addWidget(m_size, 0, Qt::AlignRight);

    QFont cleanFont = m_clean->font();
    cleanFont.setBold(true);
    m_clean->setFont(cleanFont);
    m_clean->setObjectName(QStringLiteral("cleanButton"));
    m_clean->setMinimumHeight(30);
    m_clean->setDefault(false);
    m_clean->setAutoDefault(false);
    m_rescan->setAutoDefault(false);
    // The buttons keep their natural width; the status block takes the free space.
    for (QPushButton* button : {m_rescan, m_clean}) {
        button->setSizePolicy(QSizePolicy::Fixed, button->sizePolicy().verticalPolicy());
    }

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(20, 14, 20, 14);
    row->setSpacing(16);
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
    m_clean->setText(WindowTexts::cleanSelected(m_state.selectedBytes()));
    m_clean->setEnabled(m_state.canClean());
}

void Footer::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        updateIcons();
    }
}

void Footer::updateIcons() {
    const QColor green = Theme::named(Tint::green, palette());
    m_rescan->setIcon(symbolIcon(QStringLiteral("arrow.clockwise"),
                                 palette().color(QPalette::ButtonText), *this));
    m_clean->setIcon(symbolIcon(QStringLiteral("trash.fill"), Qt::white, *this));
    // The prominent green button of the window: white on green, dimmed when it cannot act.
    const QColor pressed = green.darker(115);
    m_clean->setStyleSheet(
        QStringLiteral("QPushButton#cleanButton { background: %1; color: white; "
                       "border: none; border-radius: 7px; padding: 5px 14px; }"
                       "QPushButton#cleanButton:pressed { background: %2; }"
                       "QPushButton#cleanButton:disabled { background: %3; "
                       "color: rgba(255,255,255,150); }"
                       "QPushButton#cleanButton:focus { border: 2px solid %4; }")
            .arg(green.name(), pressed.name(),
                 QColor(green.red(), green.green(), green.blue(), 110).name(QColor::HexArgb),
                 palette().color(QPalette::Highlight).name()));
}
