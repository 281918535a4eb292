#include "platform/ProcessLauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const QString testShell = QStringLiteral("/bin/sh");

QString quotedForShell(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

class ProcessLauncherTest : public QObject {
    Q_OBJECT

private slots:
    void successIsANormalExitWithStatusZero_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("succeeded");
        QTest::newRow("status 0") << "exit 0" << true;
        QTest::newRow("status 3") << "exit 3" << false;
        QTest::newRow("last command decides") << "false; true" << true;
        QTest::newRow("whole line goes to the shell as one argument")
            << "x='a b'; [ \"$x\" = 'a b' ] && [ $# -eq 0 ]" << true;
        QTest::newRow("killed by a signal") << "kill -9 $$" << false;
        QTest::newRow("unknown command") << "/no/such/program" << false;
    }
    void successIsANormalExitWithStatusZero() {
        QFETCH(QString, line);
        QFETCH(bool, succeeded);
        QCOMPARE(ProcessLauncher(testShell).runShellCommand(line), succeeded);
    }

    void shellThatCannotStartFails() {
        QCOMPARE(ProcessLauncher(QStringLiteral("/no/such/zsh"))
                     .runShellCommand(QStringLiteral("exit 0")),
                 false);
        QTemporaryDir folder;
        const QString notProgram = folder.filePath(QStringLiteral("shell"));
        QFile file(notProgram);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a program");
        file.close();
        QCOMPARE(ProcessLauncher(notProgram).runShellCommand(QStringLiteral("exit 0")), false);
    }

    void childInheritsEnvironmentAndWorkingFolder() {
        QTemporaryDir folder;
        const QString previous = QDir::currentPath();
        const auto restore = qScopeGuard([&] {
            QDir::setCurrent(previous);
            qunsetenv("KESTRELLE_PROBE");
        });
        QVERIFY(QDir::setCurrent(folder.path()));
        qputenv("KESTRELLE_PROBE", "value 42");
        const QString line = QStringLiteral("[ \"$KESTRELLE_PROBE\" = 'value 42' ] && "
                                            "[ \"$(pwd -P)\" = %1 ]")
                                 .arg(quotedForShell(QFileInfo(folder.path()).canonicalFilePath()));
        QVERIFY(ProcessLauncher(testShell).runShellCommand(line));
    }

    // Nothing is redirected: the child reads and writes the program's own standard streams.
    void childSharesStandardStreams() {
        if (!QFileInfo::exists(QStringLiteral("/proc/self/fd/0"))) {
            QSKIP("needs /proc to name open descriptors");
        }
        QStringList checks;
        for (int fd = 0; fd <= 2; ++fd) {
            char target[4096];
            const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
            const ssize_t length = ::readlink(link.constData(), target, sizeof target);
            if (length <= 0) {
                QSKIP("a standard stream is closed");
            }
            checks << QStringLiteral("[ \"$(readlink /proc/$$/fd/%1)\" = %2 ]")
                          .arg(fd)
                          .arg(quotedForShell(QString::fromLocal8Bit(target, length)));
        }
        QVERIFY(ProcessLauncher(testShell).runShellCommand(checks.join(QStringLiteral(" && "))));
    }

    void defaultShellIsZsh() {
        if (!QFileInfo(QStringLiteral("/bin/zsh")).isExecutable()) {
            QSKIP("zsh is not installed");
        }
        QVERIFY(ProcessLauncher().runShellCommand(QStringLiteral("[ -n \"$ZSH_VERSION\" ]")));
        QVERIFY(ProcessLauncher::system()->runShellCommand(QStringLiteral("exit 0")));
        QVERIFY(!ProcessLauncher::system()->runShellCommand(QStringLiteral("exit 1")));
    }
};

QTEST_GUILESS_MAIN(ProcessLauncherTest)
#include "tst_processlauncher.moc"
