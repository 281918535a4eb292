#include "scanner/OfferableLocation.h"

#include "platform/FileSystem.h"
#include "scanner/PlatformCatalogue.h"

namespace {

// Whether the link at `link`, on the way to `path`, leads somewhere a location may lie.
bool leadsAside(const FileSystem& fileSystem, const QString& home, const QString& link,
                const QString& path) {
    const QList<FileSystem::Identity> reached = fileSystem.identityChain(link);
    if (reached.isEmpty() || fileSystem.isHomeOrAbove(link)) {
        return false; // nowhere, or the root, the home folder or a folder above it
    }
    const QList<FileSystem::Identity> homeChain = fileSystem.identityChain(home);
    if (homeChain.isEmpty() || reached.size() < 2 || reached.at(1) != homeChain.first()) {
        return true;
    }
    // A folder directly inside the home: only the one the path enters there by its own name,
    // as a link deeper down may lead back to it (~/.cache/torch -> ~/.cache).
    if (!path.startsWith(home + QLatin1Char('/'))) {
        return false;
    }
    const qsizetype end = path.indexOf(QLatin1Char('/'), home.size() + 1);
    const QString entered = end < 0 ? path : path.left(end);
    return !fileSystem.isSymbolicLink(entered) &&
           fileSystem.identityChain(entered).value(0) == reached.first();
}

} // namespace

bool isOfferableLocation(const FileSystem& fileSystem, const QString& path,
                         bool administratorOnly) {
    const QString home = fileSystem.homePath();
    bool throughLink = false;
    for (qsizetype slash = path.indexOf(QLatin1Char('/'), 1);;
         slash = path.indexOf(QLatin1Char('/'), slash + 1)) {
        const QString folder = slash < 0 ? path : path.left(slash);
        // Links there are how the system lays out its homes, not a way into a cache.
        const bool homeOrAbove =
            !home.isEmpty() && (folder == home || home.startsWith(folder + QLatin1Char('/')));
        if (!homeOrAbove && fileSystem.isSymbolicLink(folder)) {
            if (!leadsAside(fileSystem, home, folder, path)) {
                return false;
            }
            throughLink = true;
        }
        if (slash < 0) {
            break;
        }
    }
    if (administratorOnly || !(throughLink || PlatformCatalogue::ownedLocationsOnly)) {
        return true;
    }
    const std::optional<uint> owner = fileSystem.ownerOf(path);
    return owner && owner == fileSystem.ownerOf(home);
}
