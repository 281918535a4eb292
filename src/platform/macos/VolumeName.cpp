#include "platform/VolumeName.h"

QString VolumeName::startupVolume() {
    return underRoot({});
}

// The system volume carries this name on every Mac.
QString VolumeName::underRoot(const QByteArray&) {
    return QStringLiteral("Macintosh HD");
}
