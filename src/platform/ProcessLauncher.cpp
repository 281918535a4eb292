#include "platform/ProcessLauncher.h"

#include <QProcess>

#include <utility>

ProcessLauncher::ProcessLauncher(QString shellPath)
    : m_shellPath(std::move(shellPath)) {}

ProcessLauncher::~ProcessLauncher() = default;

std::shared_ptr<ProcessLauncher> ProcessLauncher::system() {
    static const std::shared_ptr<ProcessLauncher> instance = std::make_shared<ProcessLauncher>();
    return instance;
}

bool ProcessLauncher::runShellCommand(const QString& line) const {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(m_shellPath, {QStringLiteral("-c"), line});
    if (!process.waitForStarted(-1)) {
        return false;
    }
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
