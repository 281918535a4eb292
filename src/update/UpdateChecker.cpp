#include "update/UpdateChecker.h"

#include "model/NumericComparison.h"
#include "platform/BundleInfo.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>

#include <memory>

namespace {

struct LaterDeleter {
    // The reply may still be inside one of its own signals when the check ends.
    void operator()(QObject* object) const { object->deleteLater(); }
};

template <typename T>
void publish(UpdateChecker* checker, T& field, const T& value, void (UpdateChecker::*changed)()) {
    if (field == value) {
        return;
    }
    field = value;
    emit(checker->*changed)();
}

// The manifest is untrusted: only an https address with a host is ever handed to the desktop, so a
// forged manifest cannot make the program open a local file, a custom scheme or a plain-http page.
QUrl trustedDownloadURL(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty()) {
        return {};
    }
    return url;
}

// A decimal integer with an optional leading sign and nothing else, within 64 bits.
std::optional<qint64> parseSignedDecimal(QStringView text) {
    qsizetype i = 0;
    const bool negative = text.startsWith(u'-');
    if (negative || text.startsWith(u'+')) {
        i = 1;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    // Accumulating towards the sign lets the most negative value fit as well.
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        const qint64 digit = c - u'0';
        if (__builtin_mul_overflow(value, 10, &value) ||
            (negative ? __builtin_sub_overflow(value, digit, &value)
                      : __builtin_add_overflow(value, digit, &value))) {
            return std::nullopt;
        }
    }
    return value;
}

// Whether a failed transfer got as far as an answer from the server. Errors below 100 are those
// of the connection (refused, closed, no such host, time-out, TLS), 100 to 199 those of a proxy;
// redirects that go too far or off https, and everything from 200 on, are about what came back.
bool answered(QNetworkReply::NetworkError error, const QVariant& status) {
    switch (error) {
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return true;
    case QNetworkReply::OperationCanceledError: // the transfer time-out
        return false;
    default:
        return status.isValid() || error >= QNetworkReply::ContentAccessDenied;
    }
}

} // namespace

UpdateChecker::UpdateChecker(QUrl updateURL, std::optional<QVariantMap> infoDictionary,
                             std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent)
    , m_updateURL(std::move(updateURL))
    , m_infoDictionary(std::move(infoDictionary))
    , m_timeout(timeout)
    , m_network(new QNetworkAccessManager(this)) {}

UpdateChecker::~UpdateChecker() {
    abandonCheck();
}

UpdateChecker& UpdateChecker::shared() {
    // Never destroyed: a check may still be running when the program quits.
    static UpdateChecker* const checker =
        new UpdateChecker(defaultUpdateURL(), bundleInfoDictionary());
    return *checker;
}

QUrl UpdateChecker::defaultUpdateURL() {
    return QUrl(QStringLiteral("https://" KESTRELLE_UPDATE_HOST "/downloads/version.json"));
}

void UpdateChecker::setShowingUpdateAlert(bool showing) {
    publish(this, m_showingUpdateAlert, showing, &UpdateChecker::showingUpdateAlertChanged);
}

void UpdateChecker::setUpToDateAlert(bool showing) {
    publish(this, m_upToDateAlert, showing, &UpdateChecker::upToDateAlertChanged);
}

void UpdateChecker::setCheckFailedAlert(bool showing) {
    publish(this, m_checkFailedAlert, showing, &UpdateChecker::checkFailedAlertChanged);
}

void UpdateChecker::setIsChecking(bool checking) {
    publish(this, m_isChecking, checking, &UpdateChecker::isCheckingChanged);
}

void UpdateChecker::setUpdateAvailable(bool available) {
    publish(this, m_updateAvailable, available, &UpdateChecker::updateAvailableChanged);
}

void UpdateChecker::setLatestVersion(const QString& version) {
    publish(this, m_latestVersion, version, &UpdateChecker::latestVersionChanged);
}

void UpdateChecker::setReleaseNotes(const QString& notes) {
    publish(this, m_releaseNotes, notes, &UpdateChecker::releaseNotesChanged);
}

void UpdateChecker::setDownloadURL(const QUrl& url) {
    publish(this, m_downloadURL, url, &UpdateChecker::downloadURLChanged);
}

QString UpdateChecker::currentAppVersion() const {
    const QVariant value =
        m_infoDictionary ? m_infoDictionary->value(QStringLiteral("CFBundleShortVersionString"))
                         : QVariant();
    return value.typeId() == QMetaType::QString ? value.toString() : QStringLiteral("1.0");
}

qint64 UpdateChecker::currentBuildNumber() const {
    const QVariant value =
        m_infoDictionary ? m_infoDictionary->value(QStringLiteral("CFBundleVersion")) : QVariant();
    const QString text = value.typeId() == QMetaType::QString ? value.toString() : QString();
    return parseSignedDecimal(text).value_or(1);
}

void UpdateChecker::checkForUpdates(bool manual) {
    Q_ASSERT(thread() == QThread::currentThread());
    if (m_isChecking) {
        return;
    }
    setIsChecking(true);
    // The check runs to its end on its own; nothing waits for it and nothing cancels it.
    m_abandoned = false;
    QCoro::Task<> check = performCheck(manual);
    Q_UNUSED(check);
}

void UpdateChecker::abandonCheck() {
    if (!m_isChecking) {
        return;
    }
    m_abandoned = true;
    if (m_transfer) {
        // Ends the wait: the check goes on to its end with a failed transfer.
        m_transfer->abort();
    }
}

QCoro::Task<> UpdateChecker::performCheck(bool manual) {
    // The checker may go while the transfer runs (its owner closing); nothing may touch it then.
    QPointer<UpdateChecker> self(this);
    const Fetched fetched = co_await fetchManifest();
    if (!self) {
        co_return;
    }
    if (m_abandoned) {
        setIsChecking(false);
        co_return;
    }
    const std::optional<AppUpdateInfo> info =
        fetched.body ? AppUpdateInfo::decode(*fetched.body) : std::nullopt;
    if (!info) {
        // The automatic check stays quiet; someone who asked learns that it failed instead of
        // being told that all is well.
        if (manual) {
            m_lastFailure = fetched.body ? Failure::unreadableAnswer : fetched.failure;
            setCheckFailedAlert(true);
        }
    } else if (isNewerRelease(*info)) {
        setLatestVersion(info->version);
        setReleaseNotes(info->releaseNotes);
        setDownloadURL(trustedDownloadURL(info->downloadURL));
        setUpdateAvailable(true);
        setShowingUpdateAlert(true);
    } else if (manual) {
        setUpToDateAlert(true);
    }
    setIsChecking(false);
}

QCoro::Task<UpdateChecker::Fetched> UpdateChecker::fetchManifest() {
    QNetworkRequest request(m_updateURL);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    // Redirects may move the manifest but never off https once there.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(maximumRedirects);
    request.setTransferTimeout(static_cast<int>(m_timeout.count()));

    const std::unique_ptr<QNetworkReply, LaterDeleter> reply(m_network->get(request));
    QNetworkReply* const transfer = reply.get();
    m_transfer = transfer;
    // Stop as soon as the body is clearly not a manifest, whether the server announces its size or
    // not, so that a hostile server cannot make the program buffer without bound.
    auto tooLarge = std::make_shared<bool>(false);
    const auto abortWhenTooLarge = [transfer, tooLarge] {
        const QVariant announced = transfer->header(QNetworkRequest::ContentLengthHeader);
        if (transfer->bytesAvailable() > maximumManifestBytes ||
            (announced.isValid() && announced.toLongLong() > maximumManifestBytes)) {
            *tooLarge = true;
            QMetaObject::invokeMethod(transfer, &QNetworkReply::abort, Qt::QueuedConnection);
        }
    };
    connect(transfer, &QNetworkReply::metaDataChanged, transfer, abortWhenTooLarge);
    connect(transfer, &QNetworkReply::readyRead, transfer, abortWhenTooLarge);

    co_await transfer;

    const QVariant status = transfer->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = transfer->error();
    if (error != QNetworkReply::NoError || !status.isValid() || status.toInt() != 200) {
        co_return Fetched{std::nullopt, *tooLarge || answered(error, status)
                                            ? Failure::unreadableAnswer
                                            : Failure::unreachable};
    }
    QByteArray body = transfer->read(maximumManifestBytes + 1);
    if (body.size() > maximumManifestBytes) {
        co_return Fetched{std::nullopt, Failure::unreadableAnswer};
    }
    co_return Fetched{std::move(body), Failure::unreadableAnswer};
}

bool UpdateChecker::isNewerRelease(const AppUpdateInfo& info) const {
    // A greater version wins; otherwise the build numbers decide, even for an older version.
    if (compareNumerically(info.version, currentAppVersion()) == std::strong_ordering::greater) {
        return true;
    }
    return currentBuildNumber() < info.build;
}
