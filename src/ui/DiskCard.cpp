#include "ui/DiskCard.h"

#include "model/ByteFormatter.h"
#include "platform/VolumeName.h"
#include "ui/CapsuleLabel.h"
#include "ui/DiskUsage.h"
#include "ui/LegendEntry.h"
#include "ui/TextLabel.h"
#include "ui/Theme.h"
#include "ui/UsageBar.h"
#include "ui/WindowTexts.h"

#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {

using Role = Theme::Color::Role;

} // namespace

DiskCard::DiskCard(QWidget* parent)
    : QWidget(parent) {
    auto* card = new QVBoxLayout(this);
    card->setContentsMargins(Theme::Card::padding, Theme::Card::padding, Theme::Card::padding,
                             Theme::Card::padding);
    card->setSpacing(Theme::Card::spacing);

    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(0);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(Theme::Card::titleSpacing);
    auto* volume = new TextLabel(Theme::font(Theme::TextStyle::headline),
                                 Theme::Color::of(Role::primary), this);
    // Finding the name may read system files, which is no work for the GUI thread; it is read
    // once per process.
    static const QFuture<QString> volumeName = QtConcurrent::run(&VolumeName::startupVolume);
    if (volumeName.isFinished()) {
        volume->setText(volumeName.result());
    } else {
        // A watcher per card: a future keeps only one continuation, but any number of watchers.
        auto* watcher = new QFutureWatcher<QString>(volume);
        connect(watcher, &QFutureWatcherBase::finished, volume,
                [volume, watcher] { volume->setText(watcher->result()); });
        watcher->setFuture(volumeName);
    }
    m_capacity = new TextLabel(Theme::font(Theme::TextStyle::caption),
                               Theme::Color::of(Role::secondary), this);
    titles->addWidget(volume);
    titles->addWidget(m_capacity);
    titleRow->addLayout(titles);
    titleRow->addStretch(1);
    m_pill = new CapsuleLabel(
        Theme::systemFont(Theme::Pill::fontSize, QFont::Bold, Theme::Design::rounded),
        Theme::Color::of(Tint::green), Theme::Pill::paddingH, Theme::Pill::paddingV,
        Theme::pillFillOpacity, this);
    m_pill->setSymbol(Symbol::arrowDownCircleFill, Theme::Pill::spacing);
    titleRow->addWidget(m_pill, 0, Qt::AlignVCenter);
    card->addLayout(titleRow);

    m_bar = new UsageBar(this);
    card->addWidget(m_bar);

    auto* legend = new QHBoxLayout;
    legend->setSpacing(Theme::Legend::spacing);
    m_used = new LegendEntry(WindowTexts::usedLegend(), Theme::Color::of(Tint::blue), this);
    m_cleaning =
        new LegendEntry(WindowTexts::cleaningLegend(), Theme::Color::of(Tint::green), this);
    m_free = new LegendEntry(
        WindowTexts::freeLegend(),
        Theme::Color::of(Role::secondary).withOpacity(Theme::Legend::freeDotOpacity), this);
    legend->addWidget(m_used);
    legend->addWidget(m_cleaning);
    legend->addWidget(m_free);
    legend->addStretch(1);
    card->addLayout(legend);

    setFigures(DiskSpaceInfo{}, 0);
}

void DiskCard::setFigures(const DiskSpaceInfo& disk, qint64 selectedBytes) {
    const DiskUsage usage = DiskUsage::of(disk, selectedBytes);
    const bool anySelected = selectedBytes > 0;
    m_capacity->setText(WindowTexts::totalCapacity(disk.totalBytes));
    m_pill->setText(WindowTexts::reclaimable(selectedBytes));
    m_pill->setAccessibleFigure(WindowTexts::reclaimableName(), formatBytes(selectedBytes));
    m_pill->setVisible(anySelected);
    m_bar->setFractions(usage.keptUsedFraction, usage.cleaningFraction);
    m_bar->setAccessibleFigures(
        WindowTexts::diskUsageFigures(usage.usedBytes, selectedBytes, disk.freeBytes));
    m_used->setValue(formatBytes(usage.usedBytes));
    m_cleaning->setValue(formatBytes(selectedBytes));
    m_cleaning->setVisible(anySelected);
    m_free->setValue(formatBytes(disk.freeBytes));
}

void DiskCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Theme::fillRoundedRect(painter, rect(), Theme::Card::radius,
                           Theme::resolve(Theme::Color::of(Role::controlBackground), palette()));
}
