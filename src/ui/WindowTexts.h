#pragma once

#include "model/CleanupResult.h"
#include "scanner/ScanStep.h"

#include <QString>

// Every text the window, its dialogs and its menus show, in one place, the words for the steps of
// a scan too. The catalogue's own texts (categories, tiers, targets) come with the model and the
// scanner.
struct WindowTexts {
    static QString applicationName();

    static QString readyToScan();
    static QString scanningStorage();
    // The status line while `step` of a scan runs.
    static QString scanStep(ScanStep step);
    static QString scanComplete(qsizetype found);
    static QString cleaningSelectedItems();
    static QString cleaningItem(const QString& name);
    static QString cleaned(qint64 freedBytes);

    static QString selectionCount(qsizetype count);
    static QString rescan();
    static QString cleanSelected(qint64 selectedBytes);

    static QString confirmTitle();
    // What the cleanup does with the selection: the targets it removes itself (`removed`, `bytes`)
    // and, when there are any, those it leaves for the administrator command.
    static QString confirmMessage(qsizetype removed, qint64 bytes, qsizetype administratorCount,
                                  qint64 administratorBytes);
    static QString confirmDelete(qint64 bytes);
    // The confirmation's button when the cleanup removes nothing itself and only gathers the
    // administrator command.
    static QString confirmContinue();
    // The selected targets that need administrator rights are not removed by the cleanup.
    static QString leftForAdministrator(qsizetype items, qint64 bytes);
    static QString cancel();

    static QString resultTitle();
    // The outcome of a run: freed bytes and removed targets, the administrator note when paths were
    // left for it, and how many targets could not be removed when any failed.
    static QString resultMessage(const CleanupResult& result);
    // The failures, one line each whatever the names in them hold, for the alert's details; empty
    // when nothing failed.
    static QString resultDetails(const CleanupResult& result);
    // What a cleanup could not do, as plain lines (the names and paths in them are the disk's,
    // shown as they are): a target's line, its name and why its removal left it or the command
    // that failed; why a removal left an item, a refusal or the system's error and where it struck
    // ("Permission denied: ~/.npm/_logs belongs to root").
    static QString cleanupFailure(const CleanupFailure& failure);
    static QString removalFailure(const RemovalFailure& failure);
    static QString copySudoCommand();
    static QString ok();

    static QString newVersionTitle();
    // The version and the release notes come from the manifest: the notes are shown as a short
    // excerpt, so that whatever they hold the alert opens at once and fits the screen.
    static QString newVersionMessage(const QString& latestVersion, const QString& currentVersion,
                                     const QString& releaseNotes);
    static QString downloadUpdate();
    static QString later();
    static QString upToDateTitle();
    static QString upToDateMessage(const QString& currentVersion);
    static QString checkFailedTitle();
    // `answered`: the server was reached but what it sent was not a manifest.
    static QString checkFailedMessage(bool answered);

    // Asked before a window whose cleanup is running goes (closing it, or quitting).
    static QString stopCleaningTitle();
    static QString stopCleaningMessage();
    static QString keepCleaning();
    static QString stopAndClose();

    // The dashboard.
    // What a screen reader calls the area that scrolls it.
    static QString dashboardArea();
    static QString categoriesHeading();
    static QString selectSafeCaches();
    static QString selectAll();
    static QString deselectAll();
    static QString cleanTitle();
    static QString cleanMessage();
    static QString selectCategory(const QString& categoryTitle);
    static QString totalCapacity(qint64 totalBytes);
    static QString reclaimable(qint64 selectedBytes);
    static QString usedLegend();
    static QString cleaningLegend();
    static QString freeLegend();
    static QString diskUsage();
    // Used, cleaning (only when `cleaningBytes` is not 0) and free, as the legend reads them.
    static QString diskUsageFigures(qint64 usedBytes, qint64 cleaningBytes, qint64 freeBytes);
    static QString reclaimableName();
    static QString categoryTotal(const QString& categoryTitle);
    // A figure read out by name: "Used: 400 GB".
    static QString namedFigure(const QString& name, const QString& value);
    static QString sudoBadge();
    static QString reveal();
    static QString revealItem(const QString& name);
    // What a target that runs a command says of it, beside the command line it shows: the command
    // and the folder where what it frees lies.
    static QString commandDetails(const QString& command, const QString& folder);
    static QString inProgress();
    static QString cleanupProgress();

    // The menus. Their titles and items mark the letter that opens them with an ampersand.
    static QString applicationMenu();
    static QString aboutItem();
    // The title of the About box.
    static QString about();
    // Rich text (the name in bold): the version, the program's licence and the credits for the
    // icons; every part is the program's own. The icons' licences themselves, which are not, go
    // with it as plain text.
    static QString aboutMessage(const QString& version, qint64 buildNumber);
    static QString checkForUpdates();
    static QString newWindow();
    static QString quit();
    static QString fileMenu();
    static QString closeWindow();
};
