#pragma once

#include "platform/StopToken.h"

#include <QtGlobal>

// The recursive size walk behind FileSystem::allocatedSizeOfTree.
class TreeWalker {
public:
    // Sums the allocated bytes of every file below the open folder `folderFd` (which it takes over
    // and closes), leaving out names that begin with "." and what lies below them unless
    // `countHidden`. Subtrees are shared out among walker threads (one per core, more while they
    // wait on the disk); the number of open descriptors stays bounded however deep or wide the
    // tree is.
    // A stop request ends the walk between folders, or between the entries of a large one (the
    // figure is then partial).
    static qint64 allocatedSize(int folderFd, const StopToken& stop = {}, bool countHidden = false);
};
