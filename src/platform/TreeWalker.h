#pragma once

#include <QtGlobal>

// The recursive size walk behind FileSystem::allocatedSizeOfTree.
class TreeWalker {
public:
    // Sums the allocated bytes of every non-hidden entry below the open folder `folderFd` (which
    // it takes over and closes). Folders are spread over as many threads as the machine has cores;
    // the number of open descriptors stays bounded however deep or wide the tree is.
    static qint64 allocatedSize(int folderFd);
};
