#pragma once

#include <sys/types.h>

struct stat;

// True when something is mounted at the entry `name` of the open folder `folderFd` (an empty name:
// the open folder itself; `info` is the entry as seen without following links): the kernel says it
// is the root of a mount, which also catches a bind mount of a folder on the same disk, or a folder
// lies on another device than `device`, the one of the folder that holds it. Where the kernel
// cannot tell, the device test stands alone.
bool isMountRoot(int folderFd, const char* name, const struct stat& info, dev_t device);
