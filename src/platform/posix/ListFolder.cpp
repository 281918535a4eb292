#include "platform/walk/ListFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

int listFolderEntries(int fd, FolderEntryVisitor visit, void* context) {
    // The listing gets a descriptor of its own, so closing it leaves the caller's open.
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    DIR* listing = own < 0 ? nullptr : ::fdopendir(own);
    if (listing == nullptr) {
        const int error = errno;
        if (own >= 0) {
            ::close(own);
        }
        return error;
    }
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (entry == nullptr) {
            error = errno;
            break;
        }
        if (!isDotOrDotDot(entry->d_name)) {
            visit(context, entry->d_name, entry->d_type);
        }
    }
    ::closedir(listing);
    return error;
}
