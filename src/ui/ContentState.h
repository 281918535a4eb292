#pragma once

#include "model/CleanupResult.h"
#include "model/DiskSpaceInfo.h"
#include "model/FolderItemList.h"
#include "platform/StopToken.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Cleaner;
class Scanner;
class UpdateChecker;

// Everything one main window knows and does, without a single pixel: the list of targets, the disk
// figures, the busy flags, the status line and the last cleanup result, and the two workflows
// (a scan that replaces the list; a cleanup that removes the selection, reports and scans again).
// The window's widgets only show this state and call its operations. Lives on the GUI thread.
class ContentState : public QObject {
    Q_OBJECT

public:
    struct Services {
        Scanner& scanner;
        Cleaner& cleaner;
        UpdateChecker& updateChecker;
        std::function<DiskSpaceInfo()> readDisk;
    };
    // The program's scanner, cleaner, update checker and startup volume.
    static Services sharedServices();

    explicit ContentState(Services services, QObject* parent = nullptr);
    // A run still going (only when the window went without asking) is told to stop.
    ~ContentState() override;

    FolderItemList& items() { return m_items; }
    const FolderItemList& items() const { return m_items; }
    DiskSpaceInfo diskInfo() const { return m_diskInfo; }
    bool isScanning() const { return m_isScanning; }
    bool isCleaning() const { return m_isCleaning; }
    // True once a scan has finished: only then does an empty list mean that nothing was found.
    bool hasScanned() const { return m_hasScanned; }
    QString statusMessage() const { return m_statusMessage; }
    double cleanupProgress() const { return m_cleanupProgress; }
    // The whole progress text of the last item reported ("Cleaning " + name + "..."); kept after
    // the run.
    QString currentlyCleaningName() const { return m_currentlyCleaningName; }
    bool showingConfirmAlert() const { return m_showingConfirmAlert; }
    bool showingResultAlert() const { return m_showingResultAlert; }
    const std::optional<CleanupResult>& lastResult() const { return m_lastResult; }
    UpdateChecker& updateChecker() const { return m_services.updateChecker; }

    using Part = FolderItemList::Part;
    qint64 selectedBytes(Part part = Part::all) const { return m_items.selectedBytes(part); }
    qsizetype selectedCount(Part part = Part::all) const { return m_items.selectedCount(part); }
    // What the footer's status line reads: the progress text while cleaning, else the status.
    QString statusLine() const;
    bool isBusy() const { return m_isScanning || m_isCleaning; }
    bool canRescan() const { return !isBusy() && !m_stop.stopRequested(); }
    // Targets left for the administrator command count: a run of only those is how the user gets
    // the command.
    bool canClean() const { return canRescan() && selectedBytes() != 0; }

    // Tells the running scan or cleanup to stop at its next safe point, for good: the window is
    // going. A stopped scan leaves the list as it was; a stopped cleanup shows no result and
    // does not scan again. `stopped` follows once nothing runs any more.
    void requestStop();
    bool isStopRequested() const { return m_stop.stopRequested(); }

    // The window's start: fresh disk figures, then a scan.
    QCoro::Task<> launch();
    QCoro::Task<> performScan();
    QCoro::Task<> performCleanup();

    void selectSafeCaches() { m_items.selectSafeCaches(); }
    void setAllSelected(bool selected) { m_items.setAllSelected(selected); }

    // The clean button only asks; the confirmation's destructive button starts the cleanup.
    void requestCleanup();
    void setShowingConfirmAlert(bool showing);
    void setShowingResultAlert(bool showing);
    // Puts the administrator command for the last run's system paths on the clipboard.
    void copyAdministratorCommand() const;

signals:
    // Any state other than the list's contents changed (the list has its own notifications).
    void changed();
    // A progress report of the cleanup was applied. The cleaner treats the item as soon as this
    // returns, so whoever shows the report draws it here and now, not in a later repaint.
    void progressReported();
    // A stop was requested and no run is left.
    void stopped();

private:
    template <typename T>
    void set(T& field, T value);
    // Ends a run that a stop request cut short.
    void settleStoppedRun();

    Services m_services;
    FolderItemList m_items;
    DiskSpaceInfo m_diskInfo;
    bool m_isScanning = false;
    bool m_isCleaning = false;
    bool m_hasScanned = false;
    QString m_statusMessage;
    double m_cleanupProgress = 0;
    QString m_currentlyCleaningName;
    bool m_showingConfirmAlert = false;
    bool m_showingResultAlert = false;
    std::optional<CleanupResult> m_lastResult;
    // One request for the window's whole life: once it is stopped, nothing runs again.
    const StopToken m_stop = StopToken::stoppable();
};
