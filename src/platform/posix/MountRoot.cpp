#include "platform/MountRoot.h"

#include <sys/stat.h>

// Without a kernel flag for mount roots, a change of device is the one sign there is.
bool isMountRoot(int, const char*, const struct stat& info, dev_t device) {
    // Only folders: some layered file systems report the device of the layer beneath for files.
    return S_ISDIR(info.st_mode) && info.st_dev != device;
}
