#include "support/Fixtures.h"
#include "support/LocalHttpServer.h"
#include "support/LoopTicks.h"

#include "platform/BundleInfo.h"
#include "update/UpdateChecker.h"

#include <QTest>

#include <chrono>
#include <limits>
#include <memory>
#include <tuple>

using namespace std::chrono_literals;

namespace {

// JSON written with single quotes, which no text here needs, so that it reads without escapes.
QByteArray j(const char* text) {
    return QByteArray(text).replace('\'', '"');
}

const QByteArray manifestPath = "/downloads/version.json";

// The running build's information dictionary, if it has one.
using Info = std::optional<QVariantMap>;

QVariantMap running(const QVariant& version, const QVariant& build) {
    return {{QStringLiteral("CFBundleShortVersionString"), version},
            {QStringLiteral("CFBundleVersion"), build}};
}

// The published properties that announced a change, by name, in order.
class ChangeLog : public QObject {
public:
    explicit ChangeLog(UpdateChecker& checker) {
        const std::pair<void (UpdateChecker::*)(), const char*> announcements[] = {
            {&UpdateChecker::isCheckingChanged, "isChecking"},
            {&UpdateChecker::updateAvailableChanged, "updateAvailable"},
            {&UpdateChecker::latestVersionChanged, "latestVersion"},
            {&UpdateChecker::releaseNotesChanged, "releaseNotes"},
            {&UpdateChecker::downloadURLChanged, "downloadURL"},
            {&UpdateChecker::showingUpdateAlertChanged, "showingUpdateAlert"},
            {&UpdateChecker::upToDateAlertChanged, "upToDateAlert"},
            {&UpdateChecker::checkFailedAlertChanged, "checkFailedAlert"},
        };
        for (const auto& [signal, name] : announcements) {
            connect(&checker, signal, this,
                    [this, name = QString::fromLatin1(name)] { changes << name; });
        }
    }
    QStringList changes;
};

// What the window can see of a checker.
auto visible(const UpdateChecker& c) {
    return std::tuple(c.updateAvailable(), c.latestVersion(), c.releaseNotes(), c.downloadURL(),
                      c.showingUpdateAlert(), c.upToDateAlert(), c.checkFailedAlert());
}

// Starts a check and waits until it has ended; false if it was not started or never ended.
bool check(UpdateChecker& checker, bool manual, int waitMs = 10'000) {
    checker.checkForUpdates(manual);
    return checker.isChecking() && QTest::qWaitFor([&] { return !checker.isChecking(); }, waitMs);
}

} // namespace

Q_DECLARE_METATYPE(std::optional<QVariantMap>)

class UpdateCheckerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LocalHttpServer> m_server;

    std::unique_ptr<UpdateChecker> makeChecker(const Info& info = running("2.0", "40"),
                                               std::chrono::milliseconds timeout = 5s) {
        return std::make_unique<UpdateChecker>(m_server->url(manifestPath), info, timeout);
    }

private slots:
    void init() { m_server = std::make_unique<LocalHttpServer>(); }
    void cleanup() { m_server.reset(); }

    // A release is newer by its version, or by its build (what the running build reads has its own
    // table below).
    void newerRelease_data() {
        QTest::addColumn<Info>("info");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<qint64>("build");
        QTest::addColumn<bool>("newer");
        const auto row = [](const char* name, const Info& info, const QByteArray& version,
                            qint64 build, bool newer) {
            QTest::newRow(name) << info << version << build << newer;
        };
        row("1.10 after 1.9", running("1.9", "5"), "1.10", 5, true);
        row("2.0 before 2.0.1, same build", running("2.0.1", "5"), "2.0", 5, false);
        row("2.0 before 2.0.1, greater build", running("2.0.1", "5"), "2.0", 6, true);
        row("same version, build 42 over 41", running("3.1", "41"), "3.1", 42, true);
        row("same version and build", running("3.1", "41"), "3.1", 41, false);
    }
    void newerRelease() {
        QFETCH(Info, info);
        QFETCH(QByteArray, version);
        QFETCH(qint64, build);
        QFETCH(bool, newer);
        m_server->answer(manifestPath, LocalHttpServer::http(200, manifest(version, build)));
        const auto checker = makeChecker(info);

        QVERIFY(check(*checker, true));
        QCOMPARE(checker->updateAvailable(), newer);
        QCOMPARE(checker->showingUpdateAlert(), newer);
        QCOMPARE(checker->upToDateAlert(), !newer);
        QCOMPARE(checker->checkFailedAlert(), false);
        QCOMPARE(checker->latestVersion(), newer ? QString::fromLatin1(version) : QString());
    }

    // What the server answers, after `hops` redirects. A release is found only in a whole
    // manifest of at most the size limit, at most five redirects away over HTTP; its download
    // address is published only when it is https. Otherwise the launch check fails silently (only
    // isChecking moves) and a check that the user asked for says that it failed, not that all is
    // well: that the server could not be reached, or that its answer could not be read.
    void answers_data() {
        QTest::addColumn<int>("hops");
        QTest::addColumn<LocalHttpServer::Response>("response");
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QUrl>("published");
        using Server = LocalHttpServer;
        const auto row = [](const char* name, int hops, const Server::Response& response,
                            bool found, bool answered = true,
                            const QUrl& published = QUrl("https://example.com/download")) {
            QTest::newRow(name) << hops << response << found << answered << published;
        };
        const auto release = Server::http(200, manifest("9.0", 99));
        row("204", 0, Server::http(204, {}), false);
        row("304", 0, Server::http(304, {}), false);
        row("404", 0, Server::http(404, manifest("9.0", 99)), false);
        row("500", 0, Server::http(500, manifest("9.0", 99)), false);
        row("201 with a manifest", 0, Server::http(201, manifest("9.0", 99)), false);
        row("empty body", 0, Server::http(200, {}), false);
        row("not JSON", 0, Server::http(200, "<html>maintenance</html>"), false);
        // The checker reads a manifest only through its strict decoder (which has its own tests).
        row("build as text", 0,
            Server::http(200, j("{'version': '9.0', 'build': '99', 'releaseNotes': '', "
                                "'downloadURL': 'https://example.com/'}")),
            false);
        // Whatever listens there is not an HTTP server: the update server was not reached.
        row("not HTTP", 0, Server::Response{"SSH-2.0-OpenSSH\r\n\r\n", true}, false, false);
        row("closed without an answer", 0, Server::Response{{}, true}, false, false);

        row("five hops", 5, release, true);
        row("six hops", 6, release, false);
        row("redirect to a 404", 1, Server::http(404, {}), false);
        row("redirect to a 204", 2, Server::http(204, {}), false);
        row("redirect to a local file", 1, Server::redirect("file:///etc/hosts"), false);
        row("redirect to a custom scheme", 1, Server::redirect("x-app://open"), false);

        const qint64 limit = UpdateChecker::maximumManifestBytes;
        for (const auto& [name, size, announced] :
             {std::tuple{"at the limit, announced", limit, true},
              {"at the limit, unannounced", limit, false},
              {"one byte over, announced", limit + 1, true},
              {"one byte over, unannounced", limit + 1, false},
              {"a megabyte, unannounced", qint64(1 << 20), false}}) {
            QByteArray body = manifest("9.0", 99);
            body.append(size - body.size(), ' '); // still a valid manifest
            row(name, 0, Server::http(200, body, {}, announced), size <= limit);
        }

        // Still a newer release: the alert shows, "Download Update" just opens nothing.
        // clang-format off
        const char* const addresses[][3] = {
            {"https", "https://example.com/get?v=2", "https://example.com/get?v=2"},
            {"scheme in capitals", "HTTPS://Example.com/get", "https://example.com/get"},
            {"plain http", "http://example.com/get", ""},
            {"local file", "file:///Applications/Utilities", ""},
            {"custom scheme", "x-app://install", ""}, {"script", "javascript:alert(1)", ""},
            {"https without host", "https:///etc/hosts", ""},
            {"relative", "/downloads/latest", ""}, {"not a URL", "https://exa mple.com/", ""},
            {"empty address", "", ""}};
        // clang-format on
        for (const auto& [name, address, published] : addresses) {
            row(name, 0, Server::http(200, manifest("9.0", 99, address)), true, true,
                QUrl(QString::fromLatin1(published)));
        }
    }
    void answers() {
        QFETCH(int, hops);
        QFETCH(LocalHttpServer::Response, response);
        QFETCH(bool, found);
        QFETCH(bool, answered);
        QFETCH(QUrl, published);
        QByteArray from = manifestPath;
        for (int hop = 1; hop <= hops; ++hop) {
            const QByteArray to = "/moved/" + QByteArray::number(hop);
            m_server->answer(from, LocalHttpServer::redirect(to));
            from = to;
        }
        m_server->answer(from, response);
        const auto checker = makeChecker();

        ChangeLog log(*checker);
        const auto before = visible(*checker);
        QVERIFY(check(*checker, false));
        if (found) {
            QCOMPARE(checker->downloadURL(), published);
        } else {
            QCOMPARE(log.changes, QStringList({"isChecking", "isChecking"}));
            QVERIFY(visible(*checker) == before);
        }
        checker->setShowingUpdateAlert(false);

        QVERIFY(check(*checker, true));
        QCOMPARE(checker->updateAvailable(), found);
        QCOMPARE(checker->showingUpdateAlert(), found);
        QCOMPARE(checker->checkFailedAlert(), !found);
        QCOMPARE(checker->upToDateAlert(), false);
        if (!found) {
            QCOMPARE(checker->lastFailure(), answered ? UpdateChecker::Failure::unreadableAnswer
                                                      : UpdateChecker::Failure::unreachable);
        }
    }

    // However a check in flight ends, its connection is closed. A server that keeps sending or
    // announces a huge body is cut off at once, a silent one given up at the time-out while the
    // event loop runs on, and the check that the user asked for says why it failed. Quitting gives
    // a check up without waiting for either, and a checker that goes away is never touched again.
    void checkInFlightEnds_data() {
        QTest::addColumn<QByteArray>("bytes"); // sent without closing the connection
        QTest::addColumn<QString>("ending");
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n";
        QTest::newRow("endless, unannounced")
            << head + "\r\n" + QByteArray(UpdateChecker::maximumManifestBytes + 4096, ' ')
            << "unreadable";
        QTest::newRow("announced, barely started")
            << head + "Content-Length: 100000000\r\n\r\n{\"version\""
            << "unreadable";
        QTest::newRow("silent") << QByteArray() << "unreachable";
        QTest::newRow("abandoned") << QByteArray() << "abandoned";
        QTest::newRow("checker destroyed") << QByteArray() << "destroyed";
    }
    void checkInFlightEnds() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, ending);
        m_server->answer(manifestPath, {bytes, false});
        auto checker = makeChecker(running("2.0", "40"), ending == u"unreachable" ? 300ms : 60s);
        const LoopTicks ticks;
        checker->checkForUpdates(true);
        QTRY_COMPARE(m_server->requests().size(), 1);
        if (ending == u"abandoned") {
            checker->abandonCheck();
            QVERIFY(!checker->isChecking());
            QVERIFY(!checker->checkFailedAlert() && !checker->upToDateAlert());
        } else if (ending == u"destroyed") {
            checker.reset();
        } else {
            if (ending == u"unreachable") { // the wait does not end before its time
                QVERIFY(QTest::qWaitFor([&] { return ticks.ticks() >= 10; }));
                QVERIFY(checker->isChecking());
            }
            QTRY_VERIFY_WITH_TIMEOUT(!checker->isChecking(), 10'000);
            QVERIFY(checker->checkFailedAlert() && !checker->upToDateAlert());
            QCOMPARE(checker->lastFailure(), ending == u"unreachable"
                                                 ? UpdateChecker::Failure::unreachable
                                                 : UpdateChecker::Failure::unreadableAnswer);
        }
        QTRY_COMPARE(m_server->closedByClient(), 1);
    }

    // A release found is published field by field, then announced, and kept by later checks
    // until a newer one replaces it.
    void laterChecksKeepTheNewestRelease() {
        m_server->answer(manifestPath, LocalHttpServer::http(200, manifest("2.1.0", 57)));
        const auto checker = makeChecker();
        ChangeLog log(*checker);
        QVERIFY(check(*checker, false)); // the launch check finds it too
        QCOMPARE(log.changes,
                 QStringList({"isChecking", "latestVersion", "releaseNotes", "downloadURL",
                              "updateAvailable", "showingUpdateAlert", "isChecking"}));
        QCOMPARE(checker->releaseNotes(), QStringLiteral("Faster scans."));
        // One plain GET of the manifest, past any cache.
        QCOMPARE(m_server->requests().size(), 1);
        const LocalHttpServer::Request& request = m_server->requests().front();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, manifestPath);
        QVERIFY2(request.head.contains("\r\nCache-Control: no-cache"), request.head);
        checker->setShowingUpdateAlert(false); // dismissed with "Later"
        const auto found = visible(*checker);

        // Up to date now (the release was withdrawn): the found release stays published.
        m_server->answer(manifestPath, LocalHttpServer::http(200, manifest("2.0", 40)));
        QVERIFY(check(*checker, true));
        checker->setUpToDateAlert(false);
        QVERIFY(visible(*checker) == found);

        // A failure does not touch it either, silent or asked for.
        m_server->answer(manifestPath, LocalHttpServer::http(503, {}));
        QVERIFY(check(*checker, false));
        QVERIFY(visible(*checker) == found);
        QVERIFY(check(*checker, true));
        checker->setCheckFailedAlert(false);
        QVERIFY(visible(*checker) == found);

        // A newer release replaces every field, the address too when it is unusable.
        m_server->answer(manifestPath,
                         LocalHttpServer::http(200, manifest("2.2.0", 60, "http://example.com")));
        QVERIFY(check(*checker, false));
        QCOMPARE(checker->latestVersion(), QStringLiteral("2.2.0"));
        QCOMPARE(checker->downloadURL(), QUrl());
    }

    // What the running build reads from its information dictionary: an entry that is missing or
    // not text reads as version 1.0, build 1.
    void runningBuild_data() {
        QTest::addColumn<Info>("info");
        QTest::addColumn<QString>("version");
        QTest::addColumn<qint64>("build");
        const auto row = [](const QString& name, const Info& info, const QString& version,
                            qint64 build) {
            QTest::newRow(qPrintable(name)) << info << version << build;
        };
        row("no dictionary", std::nullopt, "1.0", 1);
        row("no entries", QVariantMap(), "1.0", 1);
        row("entries that are not text", running(2.5, 42), "1.0", 1);
        row("build as bytes", running("2.1.0", QByteArray("42")), "2.1.0", 1);
        row("empty version, build in other digits", running("", QStringLiteral("\u0663")), "", 1);
        constexpr qint64 largest = std::numeric_limits<qint64>::max();
        constexpr qint64 smallest = std::numeric_limits<qint64>::min();
        // clang-format off
        const std::pair<const char*, qint64> texts[] = {
            {"", 1}, {"57", 57}, {"007", 7}, {"+5", 5}, {"-3", -3}, {"-0", 0}, {"-", 1},
            {"+-5", 1}, {"1.2.3", 1}, {" 5", 1}, {"5 ", 1}, {"0x1F", 1},
            {"9223372036854775807", largest}, {"-9223372036854775808", smallest},
            {"9223372036854775808", 1}, {"-9223372036854775809", 1}, {"99999999999999999999", 1}};
        // clang-format on
        for (const auto& [text, build] : texts) {
            row(QStringLiteral("build \"%1\"").arg(text), running("2.0", text), "2.0", build);
        }
    }
    void runningBuild() {
        QFETCH(Info, info);
        QFETCH(QString, version);
        QFETCH(qint64, build);
        const auto checker = makeChecker(info);
        QCOMPARE(checker->currentAppVersion(), version);
        QCOMPARE(checker->currentBuildNumber(), build);
    }

    void sharedCheckerDescribesThisBuild() {
        UpdateChecker& shared = UpdateChecker::shared();
        QCOMPARE(shared.updateURL(),
                 QUrl(QStringLiteral("https://" EXPECTED_UPDATE_HOST "/downloads/version.json")));
        QCOMPARE(shared.currentAppVersion(), QStringLiteral(EXPECTED_VERSION));
        QCOMPARE(shared.currentBuildNumber(), QByteArray(EXPECTED_BUILD_TEXT).toLongLong());
        QCOMPARE(bundleInfoDictionary().value("CFBundleVersion"),
                 QVariant(QStringLiteral(EXPECTED_BUILD_TEXT)));
    }
};

QTEST_MAIN(UpdateCheckerTest)
#include "tst_updatechecker.moc"
