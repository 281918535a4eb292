#pragma once

#include "model/DiskSpaceInfo.h"
#include "model/FolderItem.h"

#include <QByteArray>
#include <QList>

class FakeDisk;

// Content for the snapshots: a fake disk laid out the way a developer's Mac is, and, for when
// the scan finds nothing, the targets that the scanner finds on such a disk.
class SnapshotData {
public:
    // Fills `disk` with caches, build folders, simulator images, plug-ins and container residue
    // at the places the catalogue looks (tens to hundreds of megabytes each).
    static void populate(const FakeDisk& disk);
    // The same for a Linux developer's home: the places where the same tools keep their caches
    // there (with their default locations: the fake system has no environment), and a few
    // projects with build folders, some dormant, one worked on.
    static void populateLinux(const FakeDisk& disk);

    // The targets the scanner reports for a Mac layout below `home` (made and removed here),
    // largest first.
    static QList<FolderItem> builtInItems(const QString& home);

    // A 500 GB volume with about a quarter free.
    static DiskSpaceInfo disk();

    // A release manifest whose notes run far longer than the alert shows, with characters that
    // would disguise text.
    static QByteArray longManifest();
};
