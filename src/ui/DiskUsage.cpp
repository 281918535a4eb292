#include "ui/DiskUsage.h"

#include <algorithm>

DiskUsage DiskUsage::of(const DiskSpaceInfo& disk, qint64 selectedBytes) {
    DiskUsage usage;
    usage.usedBytes = disk.totalBytes - disk.freeBytes;
    if (disk.totalBytes > 0) {
        const auto total = static_cast<double>(disk.totalBytes);
        usage.usedFraction = static_cast<double>(std::max<qint64>(usage.usedBytes, 0)) / total;
        usage.cleaningFraction = static_cast<double>(selectedBytes) / total;
    }
    usage.keptUsedFraction = std::max(usage.usedFraction - usage.cleaningFraction, 0.0);
    return usage;
}
