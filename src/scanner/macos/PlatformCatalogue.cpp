// Built on every system but Linux (src/CMakeLists.txt): written for macOS.

#include "scanner/PlatformCatalogue.h"

// No location here is named by a variable: only those reached through a link must be the user's.
const bool PlatformCatalogue::ownedLocationsOnly = false;

// The shared catalogue is this system's own. The Library folder is the system's and the
// applications' own: the catalogue looks into it where it means to.
PlatformCatalogue PlatformCatalogue::of(const FileSystem&, const QString&) {
    return {.unsearchedHomeFolders = {QStringLiteral("Library")}};
}

SizeMeasure PlatformCatalogue::sizeMeasure() {
    // The files a folder shows, as the system's own walk of a folder lists them.
    return SizeMeasure::visibleFiles;
}
