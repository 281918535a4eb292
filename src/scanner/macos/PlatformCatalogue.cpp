#include "scanner/PlatformCatalogue.h"

// No location here is named by a variable: only those reached through a link must be the user's.
const bool PlatformCatalogue::ownedLocationsOnly = false;

// The shared catalogue is this system's own.
PlatformCatalogue PlatformCatalogue::of(const FileSystem&, const QString&) {
    return {};
}

SizeMeasure PlatformCatalogue::sizeMeasure() {
    // The files a folder shows, as the system's own walk of a folder lists them.
    return SizeMeasure::visibleFiles;
}
