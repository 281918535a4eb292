#include "platform/VolumeQuery.h"

#include <sys/statvfs.h>

#include <limits>

namespace {

// Block counts times block size, clamped instead of wrapping on absurd figures.
qint64 bytesOf(unsigned long long blocks, unsigned long long blockSize) {
    constexpr auto maximum = static_cast<unsigned long long>(std::numeric_limits<qint64>::max());
    if (blockSize != 0 && blocks > maximum / blockSize) {
        return std::numeric_limits<qint64>::max();
    }
    return static_cast<qint64>(blocks * blockSize);
}

std::optional<struct statvfs> statVolume(const QString& path) {
    struct statvfs figures {};
    if (::statvfs(path.toLocal8Bit().constData(), &figures) != 0) {
        return std::nullopt;
    }
    return figures;
}

} // namespace

const VolumeQuery& VolumeQuery::system() {
    static const VolumeQuery query;
    return query;
}

std::optional<VolumeQuery::Capacities> VolumeQuery::capacities(const QString& path) const {
    const auto figures = statVolume(path);
    if (!figures) {
        return std::nullopt;
    }
    // What an unprivileged user may still write is the closest match to the capacity available
    // for important data.
    return Capacities{bytesOf(figures->f_blocks, figures->f_frsize),
                      bytesOf(figures->f_bavail, figures->f_frsize)};
}

std::optional<QVariantMap> VolumeQuery::fileSystemAttributes(const QString& path) const {
    const auto figures = statVolume(path);
    if (!figures) {
        return std::nullopt;
    }
    return QVariantMap{
        {QStringLiteral("NSFileSystemSize"), bytesOf(figures->f_blocks, figures->f_frsize)},
        {QStringLiteral("NSFileSystemFreeSize"), bytesOf(figures->f_bfree, figures->f_frsize)},
    };
}
