#pragma once

#include <QtGlobal>

class VolumeQuery;

// Figures of the startup volume. A failed reading is 0 and 0; there is no separate error state.
struct DiskSpaceInfo {
    qint64 totalBytes = 0;
    qint64 freeBytes = 0;

    static DiskSpaceInfo current();
    static DiskSpaceInfo current(const VolumeQuery& query);

    bool operator==(const DiskSpaceInfo&) const = default;
};
