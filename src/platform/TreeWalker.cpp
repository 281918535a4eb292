#include "platform/TreeWalker.h"

#include "platform/StealingWalk.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

qint64 allocatedBytes(const struct stat& info) {
    // st_blocks counts 512-byte units on every system we build for, whatever st_blksize says.
    return static_cast<qint64>(info.st_blocks) * 512;
}

class Walk : StealingWalk<FolderFrame> {
public:
    Walk(const StopToken& stop, bool countHidden)
        : StealingWalk(0)
        , m_stop(stop)
        , m_countHidden(countHidden)
        , m_totals(static_cast<std::size_t>(m_crew.capacity()), 0) {}

    qint64 run(int topFd) {
        runWalkers(
            [&] {
                FolderFrame top;
                top.fd = topFd;
                enter(0, std::move(top));
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
        child.fd = fd;
        child.name = std::move(name);
        child.depth = top.depth + 1;
        enter(index, std::move(child));
    }

    // Reads a whole folder: files are summed at once, subfolders kept in the frame for this walker
    // or a thief.
    void enter(int index, FolderFrame frame) {
        qint64 total = 0;
        const int fd = frame.fd;
        listFolder(fd, [&](const char* name, unsigned char type) {
            // A folder of a few hundred thousand files takes seconds to measure: a stop request
            // is honoured between its entries too.
            if ((name[0] == '.' && !m_countHidden) || m_stop.stopRequested()) {
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
                total += allocatedBytes(info);
            }
        });
        // Each walker adds to its own figure only.
        m_totals[static_cast<std::size_t>(index)] += total;
        push(index, std::move(frame));
        m_crew.folderDone(index);
    }

    const StopToken m_stop;
    const bool m_countHidden;
    std::vector<qint64> m_totals;
};

} // namespace

qint64 TreeWalker::allocatedSize(int folderFd, const StopToken& stop, bool countHidden) {
    Walk walk(stop, countHidden);
    return walk.run(folderFd);
}
