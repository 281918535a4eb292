#include "platform/ProcessLauncher.h"
#include "platform/ProgramOutput.h"
#include "support/Processes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QThread>

#include <optional>
#include <thread>

#include <unistd.h>

namespace {

const QString testShell = QStringLiteral("/bin/sh");

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
        const QString exit0 = QStringLiteral("exit 0");
        QVERIFY(!ProcessLauncher(QStringLiteral("/no/such/zsh")).runShellCommand(exit0));
        QTemporaryFile notProgram;
        QVERIFY(notProgram.open() && notProgram.write("not a program") > 0);
        notProgram.close();
        QVERIFY(!ProcessLauncher(notProgram.fileName()).runShellCommand(exit0));
    }

    // The child inherits the program's environment, working folder and standard streams (nothing
    // is redirected). What it should see reaches it through the environment: nothing is quoted.
    void childInheritsEnvironmentFolderAndStreams() {
        QTemporaryDir folder;
        const QString previous = QDir::currentPath();
        QList<QByteArray> names{"KESTRELLE_FOLDER"};
        const auto restore = qScopeGuard([&] {
            QDir::setCurrent(previous);
            for (const QByteArray& name : names) {
                qunsetenv(name.constData());
            }
        });
        QVERIFY(QDir::setCurrent(folder.path()));
        qputenv("KESTRELLE_FOLDER",
                QFile::encodeName(QFileInfo(folder.path()).canonicalFilePath()));
        QString line = QStringLiteral("[ \"$(pwd -P)\" = \"$KESTRELLE_FOLDER\" ]");
        for (int fd = 0; fd <= 2; ++fd) {
            char target[4096];
            const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
            const ssize_t length = ::readlink(link.constData(), target, sizeof target);
            if (length > 0) {
                names.append("KESTRELLE_FD" + QByteArray::number(fd));
                qputenv(names.last().constData(), QByteArray(target, length));
                line +=
                    QStringLiteral(" && [ \"$(readlink /proc/$$/fd/%1)\" = \"$KESTRELLE_FD%1\" ]")
                        .arg(fd);
            }
        }
        QVERIFY(ProcessLauncher(testShell).runShellCommand(line));
    }

    // Linux has no zsh by default: its commands go to /bin/sh, the system's own.
    void defaultShellIsTheSystems() {
#if defined(Q_OS_LINUX)
        const QString line = QStringLiteral("[ \"$(readlink /proc/$$/exe)\" = \"%1\" ]")
                                 .arg(QFileInfo(QStringLiteral("/bin/sh")).canonicalFilePath());
#else
        const QString line = QStringLiteral("[ -n \"$ZSH_VERSION\" ]");
#endif
        QVERIFY(ProcessLauncher().runShellCommand(line));
    }

    // A question gets an answer only from a program that ends well in time; one cut short by its
    // deadline or a stop is killed with what it started, and reaped.
    void programOutputComesOnlyInTime_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("stopAfterMs");
        QTest::addColumn<std::optional<QByteArray>>("output");
        QTest::newRow("ends with status 0")
            << "echo \"$ONLY${HOME:-}\"; exit 0" << 0 << std::optional<QByteArray>("given $PATH\n");
        QTest::newRow("ends with status 1") << "echo x; exit 1" << 0 << std::optional<QByteArray>();
        const QString hangs = QStringLiteral("sleep 60 & echo $! $$ > \"$PIDS\"; wait");
        QTest::newRow("outlives its deadline") << hangs << 0 << std::optional<QByteArray>();
        QTest::newRow("stopped") << hangs << 100 << std::optional<QByteArray>();
    }
    void programOutputComesOnlyInTime() {
        QFETCH(QString, script);
        QFETCH(int, stopAfterMs);
        QFETCH(std::optional<QByteArray>, output);
        QTemporaryDir folder;
        const QString pids = folder.filePath(QStringLiteral("pids"));
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("ONLY"), QStringLiteral("given $PATH"));
        environment.insert(QStringLiteral("PIDS"), pids);
        const StopToken stop = StopToken::stoppable();
        std::thread stopper([&] {
            if (stopAfterMs > 0) {
                QThread::msleep(stopAfterMs);
                stop.requestStop();
            }
        });
        const QDeadlineTimer deadline(stopAfterMs > 0 ? 60'000 : 300);
        QCOMPARE(
            programOutput(testShell, {QStringLiteral("-c"), script}, environment, deadline, stop),
            output);
        stopper.join();
        QFile started(pids);
        QCOMPARE(started.open(QIODevice::ReadOnly), script.contains(QStringLiteral("PIDS")));
        for (const QByteArray& pid : (started.isOpen() ? started.readAll() : "").split(' ')) {
            // Killed, it ends as soon as the system runs it again.
            QTRY_VERIFY2_WITH_TIMEOUT(pid.isEmpty() || processHasEnded(pid), pid.constData(),
                                      30'000);
        }
        QVERIFY(!programOutput(QStringLiteral("/no/such/program"), {}, {}, deadline, {}));
    }
};

QTEST_GUILESS_MAIN(ProcessLauncherTest)
#include "tst_processlauncher.moc"
