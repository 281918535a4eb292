#pragma once

#include <QString>

class FileSystem;

// Whether a location that a rule found may be offered at all, judged on the disk as it is now,
// for every rule alike. Not when a link on its path (the location itself or a folder above it,
// leaving out the home folder and the folders above it) leads to the root, the home folder, a
// folder above it, or a folder directly inside the home that the path does not pass through by
// its own name: a cache's name would then stand for the user's own files. And not when it belongs
// to another user than the home folder's owner while it is reached through a link, or on a system
// whose catalogue asks that of every location (PlatformCatalogue::ownedLocationsOnly); rows left
// to the administrator command (`administratorOnly`) keep their own rule there.
// Blocking: never call it on the GUI thread.
bool isOfferableLocation(const FileSystem& fileSystem, const QString& path, bool administratorOnly);
