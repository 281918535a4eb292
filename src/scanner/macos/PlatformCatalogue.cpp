#include "scanner/PlatformCatalogue.h"

// The shared catalogue is this system's own. The Library folder is the system's and the
// applications' own: the catalogue looks into it where it means to.
PlatformCatalogue PlatformCatalogue::of(const FileSystem&, const QString&) {
    return {.unsearchedHomeFolders = {QStringLiteral("Library")}};
}
