// Built on every system but Linux (src/CMakeLists.txt): written for macOS.

#include "platform/VolumeName.h"

QString VolumeName::startupVolume() {
    return underRoot({});
}

// The system volume carries this name on every Mac.
QString VolumeName::underRoot(const QByteArray&) {
    return QStringLiteral("Macintosh HD");
}
