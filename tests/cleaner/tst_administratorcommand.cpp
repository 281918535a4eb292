#include "cleaner/AdministratorCommand.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString prefix = QStringLiteral("sudo rm -rf ");

// Paths that each quoting form must carry through a shell unchanged: plain ones, ones a shell
// would expand, and ones with control characters.
// clang-format off
const QStringList chosenPaths{
    "/Library/Application Support/Avid/Audio/Plug-Ins", "/Library/Audio/Plug-Ins/VST",
    "/Users/u/it's here", "/Users/u/*?[a]{b,c}~#&;|<>()^=%", "/Users/u/-rf --no-preserve-root",
    "/Users/u/caf\u00e9 \u65e5\u672c \U0001F600", "/Users/u/$HOME", "/Users/u/${PATH}$(id)",
    "/Users/u/`id`", "/Users/u/say \"hi\"", "/Users/u/back\\slash\\", "/Users/u/bang!!",
    "/Users/u/!$ !-1 !#", "/Users/u/it's $HOME", "/Users/u/''quotes''", "'/Users/u/edge'",
    "/Users/u/two\nlines", "/Users/u/tab\there", "/Users/u/esc\x1b[31mred",
    "/Users/u/del\x7f and \x01", "/Users/u/it's \\ \n $HOME `id` !!", "/Users/u/next line\u0085",
    "/Users/u/\x0a" "a hex digit after an escape"};
// clang-format on

struct Shell {
    QString program;
    QStringList arguments;
    bool interactive = false; // reads the line from its input, with history expansion on;
                              // otherwise reads it from a script file
};

} // namespace

Q_DECLARE_METATYPE(Shell)

class AdministratorCommandTest : public QObject {
    Q_OBJECT

private slots:
    void exactText_data() {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("line");
        QTest::newRow("no path: no command") << QStringList{} << QString();
        QTest::newRow("dollar and single quote")
            << QStringList{"/a/it's $HOME"} << "sudo rm -rf '/a/it'\\''s $HOME'";
        QTest::newRow("backslash") << QStringList{"/a/\\"} << "sudo rm -rf '/a/\\'";
        QTest::newRow("newline kept as it is")
            << QStringList{"/a/two\nlines"} << "sudo rm -rf '/a/two\nlines'";
        QTest::newRow("control character with quote and backslash")
            << QStringList{"/a/it's\\\t"} << "sudo rm -rf '/a/it'\\''s\\\t'";
        QTest::newRow("forms side by side")
            << QStringList{"/a b", "/$c", "/\n"} << "sudo rm -rf \"/a b\" '/$c' '/\n'";
    }
    void exactText() {
        QFETCH(QStringList, paths);
        QFETCH(QString, line);
        QCOMPARE(administratorCommand(paths), line);
    }

    // The line is pasted into a shell: every path must reach the command as exactly the bytes it
    // names, in scripts and at an interactive prompt where "!" means history, in every shell a
    // user may have: the chosen paths and 10,000 random ones, all at once.
    void shellsReadEveryPathBack_data() {
        QTest::addColumn<Shell>("shell");
        const QString zsh = QStandardPaths::findExecutable("zsh");
        const QString bash = QStandardPaths::findExecutable("bash");
        QTest::newRow("zsh") << Shell{zsh, {"-f"}};
        QTest::newRow("zsh at a prompt") << Shell{zsh, {"-f", "-i"}, true};
        QTest::newRow("zsh with rc_quotes") << Shell{zsh, {"-f", "-i", "-o", "rcquotes"}, true};
        QTest::newRow("bash") << Shell{bash, {"--norc"}};
        QTest::newRow("bash at a prompt") << Shell{bash, {"--norc", "-i"}, true};
        QTest::newRow("dash") << Shell{QStandardPaths::findExecutable("dash"), {}};
        QTest::newRow("sh") << Shell{"/bin/sh", {}};
    }
    void shellsReadEveryPathBack() {
        QFETCH(Shell, shell);
        QVERIFY2(QFileInfo(shell.program).isExecutable(),
                 "shell missing: run scripts/bootstrap --test");
        // Every character from U+0001 to U+00FF, and now and then any other one.
        QRandomGenerator random(10);
        QStringList paths = chosenPaths;
        for (int i = 0; i < 10'000; ++i) {
            QString path(QLatin1Char('/'));
            for (int length = random.bounded(1, 40); length > 0; --length) {
                char32_t c = random.bounded(1u, 0x100u);
                if (random.bounded(16) == 0) {
                    do {
                        c = random.bounded(0x100u, 0x110000u);
                    } while (QChar::isSurrogate(c));
                }
                path += QString::fromUcs4(&c, 1);
            }
            paths.append(path);
        }
        if (shell.interactive) {
            // The prompt expands what it is given, so the unescaped double quotes of old would be
            // caught here.
            QCOMPARE(printedBy(shell, QStringLiteral("\"/a/$HOME\"")),
                     "/a/" + QFile::encodeName(m_scratch.path()) + '\0');
            QVERIFY(printedBy(shell, QStringLiteral("\"/a/b!!\"")) != QByteArray("/a/b!!\0", 7));
            // No terminal marks this input as pasted, so the line editor would take control
            // characters for editing keys and a line break for the end of a history line: the
            // prompt rows check what a prompt expands.
            for (QString& path : paths) {
                path.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
            }
        }
        const QString command = administratorCommand(paths);
        QVERIFY(command.startsWith(prefix) && !command.endsWith(u' '));

        const QList<QByteArray> read = printedBy(shell, command.mid(prefix.size())).split('\0');
        QCOMPARE(read.size(), paths.size() + 1);
        int mismatches = 0;
        QString first;
        for (qsizetype i = 0; i < paths.size(); ++i) {
            if (read[i] != paths[i].toUtf8() && mismatches++ == 0) {
                first = paths[i];
            }
        }
        QVERIFY2(mismatches == 0, qPrintable(QStringLiteral("%1 path(s) read back wrong, first %2")
                                                 .arg(mismatches)
                                                 .arg(administratorCommand({first}))));
    }

private:
    // What `shell` passes to printf for the quoted words, each followed by a NUL byte.
    QByteArray printedBy(const Shell& shell, const QString& words) {
        const QString output = m_scratch.filePath(QStringLiteral("printed"));
        QFile::remove(output);
        const QString line = QStringLiteral("printf '%s\\0' ") + words + QStringLiteral(" > '") +
                             output + QStringLiteral("'");
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // Keep interactive shells away from the real home and history files.
        environment.insert(QStringLiteral("HOME"), m_scratch.path());
        environment.insert(QStringLiteral("HISTFILE"), QString());
        environment.insert(QStringLiteral("PS1"), QString());
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        if (shell.interactive) {
            process.start(shell.program, shell.arguments);
            process.write(line.toUtf8() + "\nexit\n");
            process.closeWriteChannel();
        } else {
            // A script file: one argument could not hold thousands of paths.
            QFile script(m_scratch.filePath(QStringLiteral("script")));
            if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                script.write(line.toUtf8() + '\n') < 0) {
                return "cannot write the script";
            }
            script.close();
            process.start(shell.program, shell.arguments + QStringList{script.fileName()});
            process.closeWriteChannel();
        }
        if (!process.waitForFinished(20000)) {
            process.kill();
            process.waitForFinished();
            return "shell did not finish";
        }
        QFile printed(output);
        if (!printed.open(QIODevice::ReadOnly)) {
            return "nothing printed: " + process.readAll();
        }
        return printed.readAll();
    }

    QTemporaryDir m_scratch;
};

QTEST_GUILESS_MAIN(AdministratorCommandTest)
#include "tst_administratorcommand.moc"
