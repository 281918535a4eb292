#pragma once

#include <QString>

#include <memory>

// Runs command lines through a shell, the way the Cleaner runs a target's own command.
class ProcessLauncher {
public:
    // The system shell of the platform the program was written for.
    static constexpr const char* defaultShell = "/bin/zsh";

    explicit ProcessLauncher(QString shellPath = QString::fromLatin1(defaultShell));
    virtual ~ProcessLauncher();

    static std::shared_ptr<ProcessLauncher> system();

    // Runs `line` as `shell -c line`. The child inherits the program's environment, working
    // folder and standard streams; nothing is captured and there is no time limit. True exactly
    // when it started and exited normally with status 0. Blocks until the child ends: never call
    // it on the GUI thread.
    virtual bool runShellCommand(const QString& line) const;

private:
    QString m_shellPath;
};
