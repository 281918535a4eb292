#pragma once

#include "platform/FileSystem.h"
#include "scanner/RecordTraits.h"

#include <QList>
#include <QString>
#include <QStringList>

class FileSystem;

// Where this system's own tools keep what the shared catalogue does not know about, resolved for
// one scan: some locations follow the home folder, others an environment variable through which
// the tool lets its user move them. Each list is scanned after the shared rules of its kind, in
// order, with the same patterns, thresholds and category traits, but for what the catalogue says
// of its own locations and how it measures them.
struct PlatformCatalogue {
    // A fixed-path rule with its own policy; category and tier are its category's.
    struct Location {
        QString path;
        QString name;
        QString subtitle;
        TargetPolicy policy;
    };

    QList<Location> safeCaches;
    // Listed for auto-updater staging folders like the user's cache folder.
    QStringList updaterStagingFolders;
    QList<Location> developerTools;
    // Folders of side-by-side Android NDK versions.
    QStringList ndkFolders;
    // Folders directly in the home that the project search never goes into: the system's own.
    QStringList unsearchedHomeFolders;

    // Whether every location a scan finds on this system, of the shared rules as well as of this
    // catalogue, must belong to the user whose home is scanned, not only those reached through a
    // link; so wherever a catalogue follows environment variables. Rows left to the administrator
    // command keep their own rule.
    static const bool ownedLocationsOnly;

    // Nothing for an empty home.
    static PlatformCatalogue of(const FileSystem& fileSystem, const QString& home);
    // How this system measures every target of the catalogue, the shared rules' too.
    static SizeMeasure sizeMeasure();
};
