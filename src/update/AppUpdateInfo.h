#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The release manifest that the update server publishes. It comes from the network, so decoding
// is strict and never throws: anything that is not exactly the expected shape gives nothing.
struct AppUpdateInfo {
    QString version;
    qint64 build = 0;
    QString releaseNotes;
    QString downloadURL;
    std::optional<QString> minimumMacOS;

    // One JSON object with the strings "version", "releaseNotes" and "downloadURL", "build" a
    // number that is exactly a signed 64-bit integer (57, 57.0 and 1e3 are; 57.5, "57" and
    // anything beyond the 64-bit range are not), and "minimumMacOS" absent, null or a string.
    // Other keys are ignored; a repeated key counts with its last value. Text that JSON does not
    // allow anywhere in the document fails it, also where Qt's parser is lenient: a raw control
    // character inside a string, an escape JSON does not define, an escaped surrogate without its
    // partner, or a number with no digit on one side of its point.
    static std::optional<AppUpdateInfo> decode(QByteArrayView json);

    // Compact JSON with the same keys; "minimumMacOS" only when present.
    QByteArray encode() const;

    friend bool operator==(const AppUpdateInfo&, const AppUpdateInfo&) = default;
};
