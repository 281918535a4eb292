#pragma once

#include <QString>

#include <memory>

// Runs command lines through a shell, the way the Cleaner runs a target's own command.
class ProcessLauncher {
public:
    // The shell that every installation of the running system has; each system's own file says
    // which.
    static const char* const defaultShell;

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
