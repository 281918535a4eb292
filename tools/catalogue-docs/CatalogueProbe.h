#pragma once

#include "model/FolderItem.h"

#include <QList>
#include <QString>
#include <QStringList>

// The catalogue's fixed places as the real scanner offers them, read by running it over a file
// system where every place it asks for is there and holds a byte, and where nothing else is: what
// the lists in the documentation and the snapshot's fake disk are made from, so that neither
// repeats a path. Places found by listing a folder (updater staging folders, NDK versions,
// simulator runtimes, container leftovers), the project search and the container engines are not
// among them: they have no fixed place to name.
class CatalogueProbe {
public:
    // One fixed place and what the catalogue decides about it.
    struct Place {
        // The record the scanner makes; its path begins with "~" inside the home folder.
        FolderItem item;
        // The environment variables that move the place when set, in name order.
        QStringList movedBy;
        // Whether the place belongs to this system's own catalogue rather than the shared one.
        bool systemOnly = false;
    };

    // Every place in the order the scan finds them. Also the places that the catalogue offers only
    // while something else is missing (AAX plug-ins without their host): a place that the scanner
    // asks about but never offers is taken away in a further run, until no run adds a place.
    static QList<Place> places();
};
