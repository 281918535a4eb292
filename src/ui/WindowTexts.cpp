#include "ui/WindowTexts.h"

#include "model/ByteFormatter.h"
#include "model/VisibleText.h"

#include <QStringList>

#include <system_error>

// How much of a manifest's texts the new-version alert shows: a version is one short line, the
// notes a few lines.
constexpr qsizetype versionLength = 40;
constexpr qsizetype notesLength = 400;
constexpr qsizetype notesLines = 8;

// Counts are written in plain decimal digits, never grouped.
static QString count(qsizetype value) {
    return QString::number(qint64(value));
}

QString WindowTexts::applicationName() {
    return QStringLiteral("Kestrelle");
}

QString WindowTexts::readyToScan() {
    return QStringLiteral("Ready to scan");
}
QString WindowTexts::scanningStorage() {
    return QStringLiteral("Scanning storage...");
}
QString WindowTexts::scanStep(ScanStep step) {
    switch (step) {
    case ScanStep::safeCaches:
        return QStringLiteral("Scanning safe application caches...");
    case ScanStep::developerTools:
        return QStringLiteral("Scanning developer tools & build caches...");
    case ScanStep::simulators:
        return QStringLiteral("Scanning iOS simulator caches...");
    case ScanStep::dormantPlugins:
        return QStringLiteral("Scanning audio plugins & dormant formats...");
    case ScanStep::containerResidue:
        return QStringLiteral("Scanning sandbox extraction residues...");
    case ScanStep::projectBuildFolders:
        return QStringLiteral("Looking for project build folders...");
    case ScanStep::containerEngines:
        return QStringLiteral("Asking container engines for their caches...");
    }
    Q_UNREACHABLE();
    return {};
}
QString WindowTexts::scanComplete(qsizetype found) {
    return QStringLiteral("Scan complete. Found ") + count(found) + QStringLiteral(" item(s).");
}
QString WindowTexts::cleaningSelectedItems() {
    return QStringLiteral("Cleaning selected items...");
}
QString WindowTexts::cleaningItem(const QString& name) {
    return QStringLiteral("Cleaning ") + visibleText(name) + QStringLiteral("...");
}
QString WindowTexts::cleaned(qint64 freedBytes) {
    return QStringLiteral("Cleaned ") + formatBytes(freedBytes);
}

QString WindowTexts::selectionCount(qsizetype selected) {
    return count(selected) + (selected == 1 ? QStringLiteral(" item") : QStringLiteral(" items")) +
           QStringLiteral(" selected");
}
QString WindowTexts::rescan() {
    return QStringLiteral("Rescan");
}
QString WindowTexts::cleanSelected(qint64 selectedBytes) {
    return QStringLiteral("Clean Selected (") + formatBytes(selectedBytes) + QLatin1Char(')');
}

QString WindowTexts::confirmTitle() {
    return QStringLiteral("Clean Selected Items?");
}
QString WindowTexts::confirmMessage(qsizetype removed, qint64 bytes, qsizetype administratorCount,
                                    qint64 administratorBytes) {
    QStringList parts;
    if (removed > 0 || administratorCount == 0) {
        parts.append(QStringLiteral("This will permanently remove ") + count(removed) +
                     QStringLiteral(" selected item(s) to recover ") + formatBytes(bytes) +
                     QStringLiteral(". Disposable cache directories will be cleanly reset."));
    }
    if (administratorCount > 0) {
        parts.append(leftForAdministrator(administratorCount, administratorBytes));
    }
    return parts.join(QStringLiteral("\n\n"));
}
QString WindowTexts::confirmDelete(qint64 bytes) {
    return QStringLiteral("Permanently Delete (") + formatBytes(bytes) + QLatin1Char(')');
}
QString WindowTexts::confirmContinue() {
    return QStringLiteral("Continue");
}
QString WindowTexts::leftForAdministrator(qsizetype items, qint64 bytes) {
    return count(items) + QStringLiteral(" system item(s) (") + formatBytes(bytes) +
           QStringLiteral(") require administrator privileges: they are not removed here, but go "
                          "to the sudo command that you can copy when the cleanup is done.");
}
QString WindowTexts::cancel() {
    return QStringLiteral("Cancel");
}

QString WindowTexts::resultTitle() {
    return QStringLiteral("Cleanup Complete");
}
QString WindowTexts::resultMessage(const CleanupResult& result) {
    QString message = QStringLiteral("Recovered ") + formatBytes(result.totalFreed) +
                      QStringLiteral(" across ") + count(result.succeededCount) +
                      QStringLiteral(" target(s).");
    if (!result.sudoCommandsRequired.isEmpty()) {
        message +=
            QStringLiteral("\n\nNote: ") + count(result.sudoCommandsRequired.size()) +
            QStringLiteral(" system item(s) require administrator privileges. Click below to "
                           "copy the sudo command to paste into Terminal.");
    }
    // Failed removals must not read like success.
    if (result.failedCount > 0) {
        message += QStringLiteral("\n\n") + count(result.failedCount) +
                   QStringLiteral(" target(s) could not be removed.");
    }
    return message;
}
QString WindowTexts::resultDetails(const CleanupResult& result) {
    QStringList lines;
    for (const CleanupFailure& failure : result.errors) {
        lines.append(visibleText(cleanupFailure(failure)));
    }
    return result.failedCount > 0 ? lines.join(QLatin1Char('\n')) : QString();
}
QString WindowTexts::cleanupFailure(const CleanupFailure& failure) {
    if (failure.command) {
        return QStringLiteral("Failed command: ") + *failure.command;
    }
    return failure.name + QStringLiteral(": ") + removalFailure(failure.removal);
}
QString WindowTexts::removalFailure(const RemovalFailure& failure) {
    switch (failure.kind) {
    case RemovalFailure::Kind::notPlainPath:
        return QStringLiteral("Not removed: not a plain absolute path");
    case RemovalFailure::Kind::protectedLocation:
        return QStringLiteral("Not removed: protected location");
    case RemovalFailure::Kind::mountPoint:
        return QStringLiteral("Not removed: mount point");
    case RemovalFailure::Kind::failed:
        break;
    }
    // The system's own description of its error.
    QString text = QString::fromStdString(std::generic_category().message(failure.error));
    if (!failure.entry.isEmpty()) {
        text += QStringLiteral(": ") + failure.entry;
    }
    if (failure.owner) {
        text +=
            QStringLiteral(" belongs to ") +
            (failure.ownerName.isEmpty() ? QStringLiteral("user ") + QString::number(*failure.owner)
                                         : failure.ownerName);
    }
    return text;
}
QString WindowTexts::copySudoCommand() {
    return QStringLiteral("Copy Root Sudo Command");
}
QString WindowTexts::ok() {
    return QStringLiteral("OK");
}

QString WindowTexts::newVersionTitle() {
    return QStringLiteral("New Version Available");
}
QString WindowTexts::newVersionMessage(const QString& latestVersion, const QString& currentVersion,
                                       const QString& releaseNotes) {
    return applicationName() + QStringLiteral(" ") + visibleExcerpt(latestVersion, versionLength) +
           QStringLiteral(" is now available (you have ") + currentVersion + QStringLiteral(").") +
           QStringLiteral("\n\n") + visibleExcerpt(releaseNotes, notesLength, notesLines);
}
QString WindowTexts::downloadUpdate() {
    return QStringLiteral("Download Update");
}
QString WindowTexts::later() {
    return QStringLiteral("Later");
}
QString WindowTexts::upToDateTitle() {
    return QStringLiteral("You're Up to Date");
}
QString WindowTexts::upToDateMessage(const QString& currentVersion) {
    return applicationName() + QStringLiteral(" ") + currentVersion +
           QStringLiteral(" is currently the newest version available.");
}
QString WindowTexts::checkFailedTitle() {
    return QStringLiteral("Couldn't Check for Updates");
}
QString WindowTexts::checkFailedMessage(bool answered) {
    if (answered) {
        return applicationName() +
               QStringLiteral(" couldn't read the update server's answer. Try again later.");
    }
    return applicationName() + QStringLiteral(" couldn't reach the update server. Check your "
                                              "internet connection and try again.");
}

QString WindowTexts::stopCleaningTitle() {
    return QStringLiteral("Stop Cleaning?");
}
QString WindowTexts::stopCleaningMessage() {
    return applicationName() +
           QStringLiteral(" is cleaning the selected items. If you close the window now, "
                          "it stops after the folder it is removing and the remaining items stay "
                          "on disk.");
}
QString WindowTexts::keepCleaning() {
    return QStringLiteral("Keep Cleaning");
}
QString WindowTexts::stopAndClose() {
    return QStringLiteral("Stop and Close");
}

QString WindowTexts::dashboardArea() {
    return QStringLiteral("Disk and Found Targets");
}
QString WindowTexts::categoriesHeading() {
    return QStringLiteral("Categories & Found Targets");
}
QString WindowTexts::selectSafeCaches() {
    return QStringLiteral("Select Safe Caches");
}
QString WindowTexts::selectAll() {
    return QStringLiteral("Select All");
}
QString WindowTexts::deselectAll() {
    return QStringLiteral("Deselect All");
}
QString WindowTexts::cleanTitle() {
    return QStringLiteral("System Is Clean & Optimized");
}
QString WindowTexts::cleanMessage() {
    return QStringLiteral("No disposable caches or inactive developer toolchains detected. Click "
                          "Scan below to re-verify.");
}
QString WindowTexts::selectCategory(const QString& categoryTitle) {
    return QStringLiteral("Select or deselect all items in ") + categoryTitle;
}
QString WindowTexts::totalCapacity(qint64 totalBytes) {
    return QStringLiteral("Total Capacity: ") + formatBytes(totalBytes);
}
QString WindowTexts::reclaimable(qint64 selectedBytes) {
    return QLatin1Char('+') + formatBytes(selectedBytes) + QLatin1Char(' ') + reclaimableName();
}
QString WindowTexts::usedLegend() {
    return QStringLiteral("Used");
}
QString WindowTexts::cleaningLegend() {
    return QStringLiteral("Cleaning");
}
QString WindowTexts::freeLegend() {
    return QStringLiteral("Free");
}
QString WindowTexts::diskUsage() {
    return QStringLiteral("Disk usage");
}
QString WindowTexts::diskUsageFigures(qint64 usedBytes, qint64 cleaningBytes, qint64 freeBytes) {
    QStringList figures{namedFigure(usedLegend(), formatBytes(usedBytes))};
    if (cleaningBytes != 0) {
        figures.append(namedFigure(cleaningLegend(), formatBytes(cleaningBytes)));
    }
    figures.append(namedFigure(freeLegend(), formatBytes(freeBytes)));
    return figures.join(QStringLiteral(", "));
}
QString WindowTexts::reclaimableName() {
    return QStringLiteral("Reclaimable");
}
QString WindowTexts::categoryTotal(const QString& categoryTitle) {
    return QStringLiteral("Total of ") + categoryTitle;
}
QString WindowTexts::namedFigure(const QString& name, const QString& value) {
    return name + QStringLiteral(": ") + value;
}
QString WindowTexts::sudoBadge() {
    return QStringLiteral("Root / Sudo");
}
QString WindowTexts::reveal() {
    return QStringLiteral("Reveal");
}
QString WindowTexts::revealItem(const QString& name) {
    return reveal() + QLatin1Char(' ') + visibleText(name);
}
QString WindowTexts::commandDetails(const QString& command, const QString& folder) {
    return QStringLiteral("Cleaning runs: %1\nThe engine keeps its data in %2")
        .arg(command, folder);
}
QString WindowTexts::inProgress() {
    return QStringLiteral("In progress");
}
QString WindowTexts::cleanupProgress() {
    return QStringLiteral("Cleanup progress");
}

QString WindowTexts::applicationMenu() {
    return QLatin1Char('&') + applicationName();
}
QString WindowTexts::aboutItem() {
    return QLatin1Char('&') + about();
}
QString WindowTexts::about() {
    return QStringLiteral("About ") + applicationName();
}
QString WindowTexts::aboutMessage(const QString& version, qint64 buildNumber) {
    // The program's own facts, so markup is safe here: the name in bold above the version.
    return QStringLiteral(
               "<b>%1</b><br>Version %2 (Build %3)"
               "<p>Copyright 2026 Kestrelle maintainers. No licence has been granted for %1 yet: "
               "all rights are reserved by its authors.</p>"
               "<p>The icons are Lucide's, under the ISC licence; those that Lucide derived from "
               "Feather are also under the MIT licence. The details give both licences in "
               "full.</p>")
        .arg(applicationName().toHtmlEscaped(), version.toHtmlEscaped(),
             QString::number(buildNumber));
}
QString WindowTexts::checkForUpdates() {
    return QStringLiteral("Check for &Updates...");
}
QString WindowTexts::newWindow() {
    return QStringLiteral("&New Window");
}
QString WindowTexts::quit() {
    return QStringLiteral("&Quit ") + applicationName();
}
QString WindowTexts::fileMenu() {
    return QStringLiteral("&File");
}
QString WindowTexts::closeWindow() {
    return QStringLiteral("&Close Window");
}
