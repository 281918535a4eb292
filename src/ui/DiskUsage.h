#pragma once

#include "model/DiskSpaceInfo.h"

// How the disk card splits the volume: the used space that stays after a cleanup, the space the
// selection would free, and the rest. Fractions are of the total capacity; all are 0 when the
// capacity is unknown (a failed reading), so a failed reading draws an empty track.
struct DiskUsage {
    qint64 usedBytes = 0;
    double usedFraction = 0;
    double cleaningFraction = 0;
    double keptUsedFraction = 0;

    static DiskUsage of(const DiskSpaceInfo& disk, qint64 selectedBytes);
};
