#pragma once

#include <QByteArray>
#include <QFile>

// Whether the process `pid` (as text) has ended; a zombie waiting for whoever adopted it counts as
// ended, since it runs nothing any more.
inline bool processHasEnded(const QByteArray& pid) {
    QFile status("/proc/" + pid.trimmed() + "/stat");
    return !status.open(QIODevice::ReadOnly) || status.readAll().contains(") Z ");
}
