#include "ui/WindowTexts.h"

#include "model/ByteFormatter.h"

// Counts are written in plain decimal digits, never grouped.
static QString count(qsizetype value) {
    return QString::number(qint64(value));
}

QString WindowTexts::readyToScan() {
    return QStringLiteral("Ready to scan");
}
QString WindowTexts::scanningStorage() {
    return QStringLiteral("Scanning storage...");
}
QString WindowTexts::scanComplete(qsizetype found) {
    return QStringLiteral("Scan complete. Found ") + count(found) + QStringLiteral(" item(s).");
}
QString WindowTexts::cleaningSelectedItems() {
    return QStringLiteral("Cleaning selected items...");
}
QString WindowTexts::cleaningItem(const QString& name) {
    return QStringLiteral("Cleaning ") + name + QStringLiteral("...");
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
QString WindowTexts::confirmMessage(qsizetype selected, qint64 selectedBytes) {
    return QStringLiteral("This will permanently remove ") + count(selected) +
           QStringLiteral(" selected item(s) to recover ") + formatBytes(selectedBytes) +
           QStringLiteral(". Disposable cache directories will be cleanly reset.");
}
QString WindowTexts::confirmDelete(qint64 selectedBytes) {
    return QStringLiteral("Permanently Delete (") + formatBytes(selectedBytes) + QLatin1Char(')');
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
    return result.failedCount > 0 ? result.errors.join(QLatin1Char('\n')) : QString();
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
    return QStringLiteral("Kestrelle ") + latestVersion +
           QStringLiteral(" is now available (you have ") + currentVersion + QStringLiteral(").") +
           QStringLiteral("\n\n") + releaseNotes;
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
    return QStringLiteral("Kestrelle ") + currentVersion +
           QStringLiteral(" is currently the newest version available.");
}
QString WindowTexts::checkFailedTitle() {
    return QStringLiteral("Couldn't Check for Updates");
}
QString WindowTexts::checkFailedMessage(bool answered) {
    if (answered) {
        return QStringLiteral(
            "Kestrelle couldn't read the update server's answer. Try again later.");
    }
    return QStringLiteral("Kestrelle couldn't reach the update server. Check your internet "
                          "connection and try again.");
}

QString WindowTexts::stopCleaningTitle() {
    return QStringLiteral("Stop Cleaning?");
}
QString WindowTexts::stopCleaningMessage() {
    return QStringLiteral("Kestrelle is cleaning the selected items. If you close the window now, "
                          "it stops after the folder it is removing and the remaining items stay "
                          "on disk.");
}
QString WindowTexts::keepCleaning() {
    return QStringLiteral("Keep Cleaning");
}
QString WindowTexts::stopAndClose() {
    return QStringLiteral("Stop and Close");
}
