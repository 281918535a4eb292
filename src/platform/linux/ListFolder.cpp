#include "platform/walk/ListFolder.h"

#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

int listFolderEntries(int fd, FolderEntryVisitor visit, void* context) {
    // Read straight from the kernel in large chunks: no DIR allocation, and the descriptor stays
    // the caller's to close or to open entries from.
    struct Entry {
        ino64_t inode;
        off64_t offset;
        unsigned short length;
        unsigned char type;
        char name[1];
    };
    alignas(8) static thread_local char buffer[32 * 1024];
    for (;;) {
        const long read = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
        if (read <= 0) {
            return read == 0 ? 0 : errno;
        }
        for (long at = 0; at < read;) {
            const auto* entry = reinterpret_cast<const Entry*>(buffer + at);
            at += entry->length;
            if (!isDotOrDotDot(entry->name)) {
                visit(context, entry->name, entry->type);
            }
        }
    }
}
