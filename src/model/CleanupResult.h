#pragma once

#include <QStringList>
#include <QtGlobal>

// Outcome of one cleanup run. Deliberately without equality: it is a report, not a value to
// compare.
struct CleanupResult {
    qint64 totalFreed = 0;
    qsizetype succeededCount = 0;
    qsizetype failedCount = 0;
    QStringList errors;
    // Paths that need administrator rights, in processing order.
    QStringList sudoCommandsRequired;
};
