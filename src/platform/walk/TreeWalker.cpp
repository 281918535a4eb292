#include "platform/walk/TreeWalker.h"

#include "platform/MountRoot.h"
#include "platform/walk/LinkTally.h"
#include "platform/walk/StealingWalk.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

class Walk : StealingWalk<FolderFrame> {
public:
    Walk(const StopToken& stop, bool whole, dev_t device)
        : StealingWalk(0)
        , m_stop(stop)
        , m_whole(whole)
        , m_device(device)
        , m_totals(static_cast<std::size_t>(m_crew.capacity()), 0) {}

    qint64 run(int topFd) {
        runWalkers(
            [&] {
                FolderFrame top;
                top.fd = topFd;
                // The top's own block is not counted: a cleanup makes most folders again.
                enter(0, std::move(top), 0);
            },
            [this](int index, Stack& stack) { step(index, stack); },
            [](FolderFrame&, FolderFrame&) {});
        qint64 total = 0;
        for (const qint64 share : m_totals) {
            total += share;
        }
        return total;
    }

private:
    // Goes one folder further down the top frame, or pops it when it has nothing left.
    void step(int index, Stack& stack) {
        std::string name;
        if (!takeSubfolder(stack, name, m_stop)) {
            return;
        }
        const FolderFrame& top = stack.top();
        const int fd = ::openat(top.fd, name.c_str(), openFolderFlags);
        if (fd < 0) {
            return;
        }
        FolderFrame child;
        qint64 ownBytes = 0;
        if (m_whole) {
            struct stat info {};
            if (::fstat(fd, &info) != 0 || isMountRoot(fd, "", info, m_device)) {
                // Another file system's, which a removal leaves alone: nothing of it is freed.
                ::close(fd);
                return;
            }
            child.device = info.st_dev;
            child.inode = info.st_ino;
            child.identified = true;
            ownBytes = allocatedBytes(info);
        }
        child.fd = fd;
        child.name = std::move(name);
        child.depth = top.depth + 1;
        enter(index, std::move(child), ownBytes);
    }

    // Reads a whole folder (whose own blocks are `ownBytes`): files are summed at once, subfolders
    // kept in the frame for this walker or a thief.
    void enter(int index, FolderFrame frame, qint64 ownBytes) {
        qint64 total = ownBytes;
        const int fd = frame.fd;
        listFolder(fd, [&](const char* name, unsigned char type) {
            // A folder of a few hundred thousand files takes seconds to measure: a stop request
            // is honoured between its entries too.
            if ((name[0] == '.' && !m_whole) || m_stop.stopRequested()) {
                return;
            }
            if (type == DT_DIR) {
                frame.subfolders.emplace_back(name);
                return;
            }
            struct stat info {};
            if (::fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                return;
            }
            if (S_ISDIR(info.st_mode)) {
                frame.subfolders.emplace_back(name);
            } else {
                total += m_whole ? m_links.countedBytes(info) : allocatedBytes(info);
            }
        });
        // Each walker adds to its own figure only.
        m_totals[static_cast<std::size_t>(index)] += total;
        push(index, std::move(frame));
        m_crew.folderDone(index);
    }

    const StopToken m_stop;
    const bool m_whole;
    const dev_t m_device; // the top's, when measuring whole
    std::vector<qint64> m_totals;
    LinkTally m_links;
};

} // namespace

qint64 TreeWalker::allocatedSize(int folderFd, const StopToken& stop, bool whole) {
    struct stat top {};
    if (whole && ::fstat(folderFd, &top) != 0) {
        ::close(folderFd);
        return 0;
    }
    Walk walk(stop, whole, top.st_dev);
    return walk.run(folderFd);
}
