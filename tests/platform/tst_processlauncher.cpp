#include "platform/ProcessLauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

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
};

QTEST_GUILESS_MAIN(ProcessLauncherTest)
#include "tst_processlauncher.moc"
