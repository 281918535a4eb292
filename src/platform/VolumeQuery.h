#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

// Figures of the volume that holds a path, in the two ways the disk reader asks for them.
class VolumeQuery {
public:
    struct Capacities {
        std::optional<qint64> total;
        std::optional<qint64> availableForImportantUsage;
    };

    virtual ~VolumeQuery() = default;

    // The running system's volumes.
    static const VolumeQuery& system();

    // Total capacity and capacity available to the user; nothing when the volume cannot be
    // queried at all. Either figure may be absent on its own.
    virtual std::optional<Capacities> capacities(const QString& path) const;

    // File-system attributes with the byte counts under "NSFileSystemSize" and
    // "NSFileSystemFreeSize"; nothing when they cannot be read.
    virtual std::optional<QVariantMap> fileSystemAttributes(const QString& path) const;
};
