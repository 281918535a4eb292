#pragma once

#include "platform/RemovalFailure.h"

#include <QList>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// One selected target that a cleanup run could not clean, as facts that the window words.
struct CleanupFailure {
    // The target's name.
    QString name{};
    // The command line that failed, for a target cleaned by its command; nothing for a removal.
    std::optional<QString> command{};
    // Why the removal left the target, for a target removed from disk.
    RemovalFailure removal{};
};

// Outcome of one cleanup run. Deliberately without equality: it is a report, not a value to
// compare.
struct CleanupResult {
    qint64 totalFreed = 0;
    qsizetype succeededCount = 0;
    qsizetype failedCount = 0;
    // In processing order.
    QList<CleanupFailure> errors;
    // Paths that need administrator rights, in processing order.
    QStringList sudoCommandsRequired;
};
