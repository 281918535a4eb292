#include "ui/WindowTexts.h"

#include <QTest>

#include <cerrno>

Q_DECLARE_METATYPE(CleanupResult)

class WindowTextsTest : public QObject {
    Q_OBJECT

private slots:
    void resultMessage_data() {
        QTest::addColumn<CleanupResult>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("details");
        const QString note =
            QStringLiteral(" system item(s) require administrator privileges. Click below to copy "
                           "the sudo command to paste into Terminal.");
        const auto row = [](const char* name, const CleanupResult& result, const QString& message,
                            const QString& details = {}) {
            QTest::newRow(name) << result << message << details;
        };
        row("nothing at all", {0, 0, 0, {}, {}}, "Recovered 0 B across 0 target(s).");
        row("freed, no grouping of counts", {2'350'000'000, 1234, 0, {}, {}},
            "Recovered 2.35 GB across 1234 target(s).");
        row("administrator paths", {1500, 1, 0, {}, {"/Library/Audio/Plug-Ins/VST", "/x"}},
            "Recovered 2 KB across 1 target(s).\n\nNote: 2" + note);
        row("failures are not hidden",
            {0, 0, 2, {{.name = "A", .removal = {.error = EACCES}}, {.command = "false"}}, {}},
            "Recovered 0 B across 0 target(s).\n\n2 target(s) could not be removed.",
            "A: Permission denied\nFailed command: false");
        row("failure line after the administrator note",
            {10, 1, 1, {{.name = "B", .removal = {.error = EBUSY}}}, {"/p"}},
            "Recovered 10 bytes across 1 target(s).\n\nNote: 1" + note +
                "\n\n1 target(s) could not be removed.",
            "B: Device or resource busy");
        using Kind = RemovalFailure::Kind;
        row("refusals, and where a removal stuck and whose that is",
            {0,
             0,
             3,
             {{.name = "M", .removal = {.kind = Kind::mountPoint}},
              {.name = "N",
               .removal =
                   {.error = EACCES, .entry = "~/.npm/_logs", .owner = 0, .ownerName = "root"}},
              {.name = "U", .removal = {.error = EROFS, .entry = "/srv/c", .owner = 4242}}},
             {}},
            "Recovered 0 B across 0 target(s).\n\n3 target(s) could not be removed.",
            "M: Not removed: mount point\nN: Permission denied: ~/.npm/_logs belongs to root\n"
            "U: Read-only file system: /srv/c belongs to user 4242");
    }
    void resultMessage() {
        QFETCH(CleanupResult, result);
        QFETCH(QString, message);
        QFETCH(QString, details);
        QCOMPARE(WindowTexts::resultMessage(result), message);
        QCOMPARE(WindowTexts::resultDetails(result), details);
    }

    void selectionCountAgrees() {
        QCOMPARE(WindowTexts::selectionCount(1), QStringLiteral("1 item selected"));
        QCOMPARE(WindowTexts::selectionCount(2), QStringLiteral("2 items selected"));
    }
};

QTEST_GUILESS_MAIN(WindowTextsTest)
#include "tst_windowtexts.moc"
