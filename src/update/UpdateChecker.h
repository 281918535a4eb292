#pragma once

#include "update/AppUpdateInfo.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <chrono>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// Finds out whether a newer release exists by fetching the version manifest from the update server,
// and publishes the outcome for the window's alerts. Lives on the GUI thread: its state is read and
// written only there, and a check leaves it only while it waits for the network. Failures never
// escape as errors; they end in the published flags.
class UpdateChecker : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isChecking READ isChecking NOTIFY isCheckingChanged)
    Q_PROPERTY(bool updateAvailable READ updateAvailable NOTIFY updateAvailableChanged)
    Q_PROPERTY(QString latestVersion READ latestVersion NOTIFY latestVersionChanged)
    Q_PROPERTY(QString releaseNotes READ releaseNotes NOTIFY releaseNotesChanged)
    Q_PROPERTY(QUrl downloadURL READ downloadURL NOTIFY downloadURLChanged)
    Q_PROPERTY(bool showingUpdateAlert READ showingUpdateAlert WRITE setShowingUpdateAlert NOTIFY
                   showingUpdateAlertChanged)
    Q_PROPERTY(
        bool upToDateAlert READ upToDateAlert WRITE setUpToDateAlert NOTIFY upToDateAlertChanged)
    Q_PROPERTY(bool checkFailedAlert READ checkFailedAlert WRITE setCheckFailedAlert NOTIFY
                   checkFailedAlertChanged)

public:
    // Why the last failed check failed: the server was never heard from (no connection, no such
    // host, time-out), or what it sent was not a manifest (error status, too large, malformed,
    // an unsafe redirect).
    enum class Failure { unreachable, unreadableAnswer };

    // A manifest is small; anything larger is not one.
    static constexpr qint64 maximumManifestBytes = 64 * 1024;
    static constexpr int maximumRedirects = 5;
    static constexpr std::chrono::milliseconds transferTimeout{10'000};

    // `updateURL` is where the manifest is fetched; `infoDictionary` describes the running program
    // (missing entries make it version "1.0", build 1). Tests pass a local server, any running
    // version and a short `timeout`; the program uses shared().
    UpdateChecker(QUrl updateURL, std::optional<QVariantMap> infoDictionary,
                  std::chrono::milliseconds timeout = transferTimeout, QObject* parent = nullptr);
    // A check still in flight is abandoned.
    ~UpdateChecker() override;

    // The program's checker, made on first use (on the GUI thread) and never released.
    static UpdateChecker& shared();

    // "https://" + the update host chosen when the program was built + "/downloads/version.json".
    static QUrl defaultUpdateURL();

    QUrl updateURL() const { return m_updateURL; }
    bool isChecking() const { return m_isChecking; }
    bool updateAvailable() const { return m_updateAvailable; }
    QString latestVersion() const { return m_latestVersion; }
    QString releaseNotes() const { return m_releaseNotes; }
    // Empty when the newest release named no usable https address: then nothing is opened.
    QUrl downloadURL() const { return m_downloadURL; }
    bool showingUpdateAlert() const { return m_showingUpdateAlert; }
    bool upToDateAlert() const { return m_upToDateAlert; }
    bool checkFailedAlert() const { return m_checkFailedAlert; }
    // Set before checkFailedAlert is raised; kept until the next failure.
    Failure lastFailure() const { return m_lastFailure; }

    // The window clears these when the user dismisses the alert.
    void setShowingUpdateAlert(bool showing);
    void setUpToDateAlert(bool showing);
    void setCheckFailedAlert(bool showing);

    // Starts one check and returns at once; does nothing while a check is running. `manual` is
    // true when the user asked: only then do "up to date" and failures raise an alert.
    void checkForUpdates(bool manual);

    // Gives up the check in flight, if any, at once: its transfer is aborted, it raises no alert
    // and `isChecking` becomes false. For a program that is quitting and will not show the answer.
    void abandonCheck();

    // "CFBundleShortVersionString" of the information dictionary; "1.0" when missing or not text.
    QString currentAppVersion() const;
    // "CFBundleVersion" read as a decimal integer with an optional sign and nothing else; 1 when
    // it is missing, not text, empty, holds any other character or does not fit in 64 bits.
    qint64 currentBuildNumber() const;

signals:
    void isCheckingChanged();
    void updateAvailableChanged();
    void latestVersionChanged();
    void releaseNotesChanged();
    void downloadURLChanged();
    void showingUpdateAlertChanged();
    void upToDateAlertChanged();
    void checkFailedAlertChanged();

private:
    QCoro::Task<> performCheck(bool manual);
    struct Fetched {
        std::optional<QByteArray> body; // the manifest's bytes, or nothing if the transfer failed
        Failure failure = Failure::unreachable;
    };
    QCoro::Task<Fetched> fetchManifest();
    bool isNewerRelease(const AppUpdateInfo& info) const;

    void setIsChecking(bool checking);
    void setUpdateAvailable(bool available);
    void setLatestVersion(const QString& version);
    void setReleaseNotes(const QString& notes);
    void setDownloadURL(const QUrl& url);

    const QUrl m_updateURL;
    const std::optional<QVariantMap> m_infoDictionary;
    const std::chrono::milliseconds m_timeout;
    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_transfer;
    bool m_abandoned = false;

    bool m_isChecking = false;
    bool m_updateAvailable = false;
    QString m_latestVersion;
    QString m_releaseNotes;
    QUrl m_downloadURL;
    bool m_showingUpdateAlert = false;
    bool m_upToDateAlert = false;
    bool m_checkFailedAlert = false;
    Failure m_lastFailure = Failure::unreachable;
};
