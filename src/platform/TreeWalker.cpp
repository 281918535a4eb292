#include "platform/TreeWalker.h"

#include "platform/FolderStack.h"
#include "platform/WalkerCrew.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace {

qint64 allocatedBytes(const struct stat& info) {
    // st_blocks counts 512-byte units on every system we build for, whatever st_blksize says.
    return static_cast<qint64>(info.st_blocks) * 512;
}

class Walk {
public:
    Walk(const StopToken& stop)
        : m_crew(0)
        , m_stop(stop) {
        for (int i = 0; i < m_crew.capacity(); ++i) {
            m_stacks.push_back(std::make_unique<FolderStack<FolderFrame>>());
        }
    }

    qint64 run(int topFd) {
        m_crew.run([this, topFd](int index) {
            qint64 total = 0;
            if (index == 0) {
                FolderFrame top;
                top.fd = topFd;
                total += enter(0, std::move(top));
            }
            total += work(index);
            m_total.fetch_add(total);
        });
        return m_total.load();
    }

private:
    qint64 work(int index) {
        FolderStack<FolderFrame>& stack = *m_stacks[static_cast<std::size_t>(index)];
        qint64 total = 0;
        for (;;) {
            while (!stack.empty()) {
                total += step(index, stack);
            }
            // Nothing of its own left: no thief need look here.
            stack.stealable.store(false);
            if (steal(index)) {
                continue;
            }
            if (!m_crew.waitForWork(index, [this] { return anyStealable(); })) {
                return total;
            }
        }
    }

    // Goes one folder further down the top frame, or pops it when it has nothing left.
    qint64 step(int index, FolderStack<FolderFrame>& stack) {
        if (m_stop.stopRequested()) {
            stack.dropUnvisited(0);
        }
        std::string name;
        if (!stack.takeNext(name)) {
            stack.pop();
            return 0;
        }
        if (stack.top().fd < 0) {
            int error = 0;
            const std::size_t failed = stack.reopenTop(m_crew.folderBudget(), error);
            if (failed < stack.size()) {
                // Gone or replaced since it was listed: what lies below it is no longer ours.
                stack.dropUnvisited(failed);
                return 0;
            }
        }
        const FolderFrame& top = stack.top();
        const int fd = ::openat(top.fd, name.c_str(), openFolderFlags);
        if (fd < 0) {
            return 0;
        }
        FolderFrame child;
        child.fd = fd;
        child.name = std::move(name);
        child.depth = top.depth + 1;
        return enter(index, std::move(child));
    }

    // Reads a whole folder: files are summed at once, subfolders kept in the frame for this walker
    // or a thief.
    qint64 enter(int index, FolderFrame frame) {
        qint64 total = 0;
        const int fd = frame.fd;
        listFolder(fd, [&](const char* name, unsigned char type) {
            // A folder of a few hundred thousand files takes seconds to measure: a stop request
            // is honoured between its entries too.
            if (name[0] == '.' || m_stop.stopRequested()) {
                return; // hidden
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
        FolderStack<FolderFrame>& stack = *m_stacks[static_cast<std::size_t>(index)];
        stack.push(std::move(frame), m_crew.folderBudget());
        if (stack.takeNewWork()) {
            m_crew.announceWork();
        }
        m_crew.folderDone(index);
        return total;
    }

    bool anyStealable() const {
        for (int i = 0; i < m_crew.count(); ++i) {
            if (m_stacks[static_cast<std::size_t>(i)]->stealable.load()) {
                return true;
            }
        }
        return false;
    }

    // Takes half the unvisited subfolders of the shallowest frame any walker has.
    bool steal(int index) {
        int victim = -1;
        int shallowest = 0;
        for (int i = 0; i < m_crew.count(); ++i) {
            FolderStack<FolderFrame>& other = *m_stacks[static_cast<std::size_t>(i)];
            if (i == index || !other.stealable.load()) {
                continue;
            }
            const int depth = other.shallowestStealable();
            if (depth < 0) {
                other.stealable.store(false);
            } else if (victim < 0 || depth < shallowest) {
                victim = i;
                shallowest = depth;
            }
        }
        FolderFrame share;
        if (victim < 0 || !m_stacks[static_cast<std::size_t>(victim)]->stealInto(
                              share, [](FolderFrame&, FolderFrame&) {})) {
            return false;
        }
        FolderStack<FolderFrame>& stack = *m_stacks[static_cast<std::size_t>(index)];
        stack.push(std::move(share), m_crew.folderBudget());
        if (stack.takeNewWork()) {
            m_crew.announceWork();
        }
        return true;
    }

    WalkerCrew m_crew;
    StopToken m_stop;
    std::vector<std::unique_ptr<FolderStack<FolderFrame>>> m_stacks;
    std::atomic<qint64> m_total{0};
};

} // namespace

qint64 TreeWalker::allocatedSize(int folderFd, const StopToken& stop) {
    Walk walk(stop);
    return walk.run(folderFd);
}
