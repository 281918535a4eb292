// Built on every system but Linux (src/CMakeLists.txt): written for macOS.

#include "platform/RemoteMounts.h"

#include <sys/mount.h>
#include <sys/param.h>

#include <string_view>

// The mount table of macOS and the BSDs flags every file system of this machine's own disks as
// local; FUSE ones (macFUSE, fusefs) say so in their type.
std::vector<std::string> remoteMountPoints() {
    std::vector<std::string> points;
    struct statfs* mounts = nullptr;
    // The figures the kernel already has: no file system is asked.
    const int count = ::getmntinfo(&mounts, MNT_NOWAIT);
    for (int index = 0; index < count; ++index) {
        const std::string_view type(mounts[index].f_fstypename);
        if ((mounts[index].f_flags & MNT_LOCAL) == 0 || type.starts_with("fuse") ||
            type.starts_with("macfuse") || type.starts_with("osxfuse")) {
            points.emplace_back(mounts[index].f_mntonname);
        }
    }
    return points;
}
