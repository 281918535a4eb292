#pragma once

#include <QByteArray>
#include <QString>

// The name under which the disk card shows the startup volume; never empty.
class VolumeName {
public:
    // The running system's, read once. It may read system files: call it off the GUI thread.
    static QString startupVolume();
    // The one of a system whose files lie below `root` (empty for the running system).
    static QString underRoot(const QByteArray& root);
};
