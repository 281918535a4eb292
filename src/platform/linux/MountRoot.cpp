#include "platform/MountRoot.h"

#include <fcntl.h>
#include <sys/stat.h>

bool isMountRoot(int folderFd, const char* name, const struct stat& info, dev_t device) {
    // Only folders: some layered file systems report the device of the layer beneath for files.
    if (S_ISDIR(info.st_mode) && info.st_dev != device) {
        return true;
    }
#if defined(STATX_ATTR_MOUNT_ROOT)
    // C libraries older than the flag leave the device test to stand alone.
    struct statx extended {};
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (name[0] == '\0' ? AT_EMPTY_PATH : 0);
    if (::statx(folderFd, name, flags, STATX_TYPE, &extended) == 0 &&
        (extended.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0) {
        return (extended.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    }
#else
    static_cast<void>(folderFd);
    static_cast<void>(name);
#endif
    return false;
}
