#include "platform/ProgramOutput.h"

#include <QProcess>

#include <signal.h>
#include <unistd.h>

std::optional<QByteArray> programOutput(const QString& program, const QStringList& arguments,
                                        const QProcessEnvironment& environment,
                                        const QDeadlineTimer& deadline, const StopToken& stop) {
    if (stop.stopRequested() || deadline.hasExpired()) {
        return std::nullopt;
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // Runs in the child between fork and exec: a group of its own, so that a shell script's
    // children can be killed with it.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start(program, arguments, QIODevice::ReadOnly);
    // Whether the program could be started is known as soon as the child has tried.
    if (!process.waitForStarted(-1)) {
        return std::nullopt;
    }
    const qint64 group = process.processId();
    while (!process.waitForFinished(waitSliceMs(deadline))) {
        if (process.state() == QProcess::NotRunning) {
            break;
        }
        if (stop.stopRequested() || deadline.hasExpired()) {
            ::kill(static_cast<pid_t>(-group), SIGKILL);
            process.waitForFinished(-1);
            return std::nullopt;
        }
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}
