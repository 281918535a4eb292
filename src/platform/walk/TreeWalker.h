#pragma once

#include "platform/StopToken.h"

#include <QtGlobal>

// The recursive size walk behind FileSystem::allocatedSizeOfTree.
class TreeWalker {
public:
    // Sums the allocated bytes below the open folder `folderFd` (which it takes over and closes).
    // By default only files count, and names that begin with "." are left out with what lies below
    // them; `whole` counts what removing everything below the folder frees instead: every entry,
    // each folder's own blocks (but the top's), a file with several links once and only when all
    // of them are below the top, and nothing on another mount. Subtrees are shared out among
    // walker threads (one per core, more while they wait on the disk); the number of open
    // descriptors stays bounded however deep or wide the tree is.
    // A stop request ends the walk between folders, or between the entries of a large one (the
    // figure is then partial).
    static qint64 allocatedSize(int folderFd, const StopToken& stop = {}, bool whole = false);
};
