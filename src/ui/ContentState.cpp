#include "ui/ContentState.h"

#include "cleaner/AdministratorCommand.h"
#include "cleaner/Cleaner.h"
#include "scanner/Scanner.h"
#include "ui/WindowTexts.h"
#include "update/UpdateChecker.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>

ContentState::Services ContentState::sharedServices() {
    return {Scanner::shared(), Cleaner::shared(), UpdateChecker::shared(),
            [] { return DiskSpaceInfo::current(); }};
}

ContentState::ContentState(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_diskInfo(m_services.readDisk())
    , m_statusMessage(WindowTexts::readyToScan()) {
    // A selection change alters the footer's totals and the clean button.
    connect(&m_items, &FolderItemList::dataChanged, this, &ContentState::changed);
    connect(&m_items, &FolderItemList::modelReset, this, &ContentState::changed);
}

ContentState::~ContentState() {
    m_stop.requestStop();
}

template <typename T>
void ContentState::set(T& field, T value) {
    if (field != value) {
        field = std::move(value);
        emit changed();
    }
}

QString ContentState::statusLine() const {
    return m_isCleaning ? m_currentlyCleaningName : m_statusMessage;
}

QCoro::Task<> ContentState::launch() {
    set(m_diskInfo, m_services.readDisk());
    co_await performScan();
}

QCoro::Task<> ContentState::performScan() {
    // The window may close while the scan runs; nothing may touch it afterwards.
    QPointer<ContentState> self(this);
    set(m_isScanning, true);
    set(m_statusMessage, WindowTexts::scanningStorage());
    auto scanning = m_services.scanner.scanAll(
        [self](ScanStep step) {
            if (self) {
                self->set(self->m_statusMessage, WindowTexts::scanStep(step));
            }
        },
        m_stop);
    QList<FolderItem> found = co_await scanning;
    if (!self) {
        co_return;
    }
    if (m_stop.stopRequested()) {
        settleStoppedRun();
        co_return;
    }
    m_items.replaceAll(std::move(found));
    set(m_diskInfo, m_services.readDisk());
    m_hasScanned = true;
    set(m_isScanning, false);
    set(m_statusMessage, WindowTexts::scanComplete(m_items.count()));
}

QCoro::Task<> ContentState::performCleanup() {
    QPointer<ContentState> self(this);
    set(m_isCleaning, true);
    set(m_statusMessage, WindowTexts::cleaningSelectedItems());
    set(m_cleanupProgress, 0.0);
    auto cleaning = m_services.cleaner.clean(
        m_items.items(),
        [self](const QString& name, double fraction) {
            if (self) {
                self->set(self->m_currentlyCleaningName, WindowTexts::cleaningItem(name));
                self->set(self->m_cleanupProgress, fraction);
                emit self->progressReported();
            }
        },
        m_stop);
    CleanupResult result = co_await cleaning;
    if (!self) {
        co_return;
    }
    if (m_stop.stopRequested()) {
        // The window is going: no result to show and no scan to start.
        m_lastResult = std::move(result);
        settleStoppedRun();
        co_return;
    }
    const qint64 freed = result.totalFreed;
    m_lastResult = std::move(result);
    set(m_isCleaning, false);
    set(m_statusMessage, WindowTexts::cleaned(freed));
    set(m_showingResultAlert, true);
    set(m_diskInfo, m_services.readDisk());
    co_await performScan();
}

void ContentState::requestStop() {
    m_stop.requestStop();
    emit changed();
    if (!isBusy()) {
        emit stopped();
    }
}

void ContentState::settleStoppedRun() {
    set(m_isScanning, false);
    set(m_isCleaning, false);
    emit stopped();
}

void ContentState::requestCleanup() {
    if (canClean()) {
        set(m_showingConfirmAlert, true);
    }
}

void ContentState::setShowingConfirmAlert(bool showing) {
    set(m_showingConfirmAlert, showing);
}

void ContentState::setShowingResultAlert(bool showing) {
    set(m_showingResultAlert, showing);
}

void ContentState::copyAdministratorCommand() const {
    if (!m_lastResult || m_lastResult->sudoCommandsRequired.isEmpty()) {
        return;
    }
    QGuiApplication::clipboard()->setText(administratorCommand(m_lastResult->sudoCommandsRequired),
                                          QClipboard::Clipboard);
}
