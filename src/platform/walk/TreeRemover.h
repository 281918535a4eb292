#pragma once

#include "platform/StopToken.h"

#include <sys/stat.h>

#include <optional>
#include <string>

class FreedBytes;

// The recursive removal behind FileSystem::removeItem, and internal to the platform layer: it
// checks nothing about where the item is, so the program and its tools delete only through
// removeItem (the removal tests reach it through a seam of their own to choose the number of
// threads). Everything happens relative to open folder descriptors, one name at a time: no path is
// ever resolved below the item, so there is no length limit and a symbolic link met anywhere is
// removed as a link, never followed.
class TreeRemover {
public:
    // How a removal ended: the first error met (0 when everything went) and, when it was met at an
    // entry, the entry that stopped it: the folder holding an entry whose removal was denied (its
    // write or search permission was missing), a folder that could not be opened, and otherwise
    // the entry itself (immutable, mounted on, ...). An error that only follows from an earlier
    // one (a folder left not empty) never takes its place.
    struct Result {
        int error = 0;
        // Relative to the folder holding the item: empty for that folder, otherwise starting
        // with the item's own name.
        std::optional<std::string> entry;
        // The owner of that entry, when it could be looked at.
        std::optional<uid_t> owner;
    };

    // Removes the entry `name` of the open folder `parentFd`, which the caller has looked at
    // (without following links) and found to be `seen`. A folder goes with everything below it;
    // anything else (file, link, FIFO, socket) is unlinked without being opened. A folder that is
    // no longer the one the caller saw is left alone.
    //
    // Subtrees are shared out among `threads` threads (0: one per core, more while they wait on
    // the disk); the number of open descriptors stays bounded however deep or wide the tree is.
    // Folders the running user owns but may not write or search are opened up to their owner
    // (never anything outside the item, or not the user's) so that read-only caches can go.
    // A failure does not stop the removal: whatever can be removed is, and the first error met is
    // returned. Entries that vanish while the removal runs are not errors. A stop request ends the
    // removal between entries and returns ECANCELED (at no entry); what was not yet removed stays.
    // As it goes it adds to `freed` (when given) what it frees: the blocks of a file whose last
    // link went (looked at just before it goes), and of each folder below the item once that is
    // removed; never the item's own entry.
    static Result remove(int parentFd, const char* name, const struct stat& seen, int threads = 0,
                         const StopToken& stop = {}, FreedBytes* freed = nullptr);
};
