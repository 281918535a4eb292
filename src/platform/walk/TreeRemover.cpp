#include "platform/walk/TreeRemover.h"

#include "platform/FreedBytes.h"
#include "platform/MountRoot.h"
#include "platform/walk/LinkTally.h"
#include "platform/walk/StealingWalk.h"

#include <QtGlobal>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

namespace {

// Files of one folder that its lister unlinks itself; more are shared out among the walkers.
constexpr std::size_t filesKeptByLister = 256;
// Marks a shared-out name as listed as no folder, so whoever takes it unlinks it straight away
// ("/" never appears in a name).
constexpr char listedAsFile = '/';

// Names that were a folder when listed but are something else by the time they are opened.
bool isNoLongerFolder(int error) {
    return error == ENOTDIR || error == ELOOP || error == EMLINK;
}

// A folder being emptied. Everyone with work in it holds a count on it: the walker that listed it,
// each thief that took some of its entries, and each of its subfolders until that is removed.
// Whoever lets go of the last count removes the folder and lets go of its parent's.
struct Node {
    Node(Node* parentNode, std::string folderName, const struct stat& info)
        : parent(parentNode)
        , name(std::move(folderName))
        , device(info.st_dev)
        , inode(info.st_ino)
        , ownBytes(allocatedBytes(info)) {}

    Node* const parent;
    const std::string name;
    const dev_t device;
    const ino_t inode;
    const qint64 ownBytes; // freed when the folder goes
    std::atomic<int> pending{1};
    // The name no longer leads to the folder that was being emptied: leave it be.
    std::atomic<bool> abandoned{false};
};

struct Frame : FolderFrame {
    Node* node = nullptr;
};

// Where an error was met: the entry `name` of the open folder `fd` (-1 when it is not open), which
// is `folder` of the tree (null: the folder holding the item); that folder itself when `name` is
// null.
struct Place {
    int fd = -1;
    const Node* folder = nullptr;
    const char* name = nullptr;
};

// What a failed unlink or rmdir names: when it was denied, the folder holding the entry lacked
// write or search permission for the user; any other refusal is the entry's own (immutable,
// mounted on).
Place culpritOfRemoval(int error, const Place& at) {
    return error == EACCES ? Place{at.fd, at.folder} : at;
}

// A stop is no error of any entry.
TreeRemover::Result cancelled() {
    TreeRemover::Result result;
    result.error = ECANCELED;
    return result;
}

TreeRemover::Result failureAt(int error, const Place& at) {
    std::vector<const Node*> way;
    for (const Node* folder = at.folder; folder != nullptr; folder = folder->parent) {
        way.push_back(folder);
    }
    std::string entry;
    for (auto folder = way.rbegin(); folder != way.rend(); ++folder) {
        entry += (entry.empty() ? "" : "/") + (*folder)->name;
    }
    if (at.name != nullptr) {
        entry += (entry.empty() ? "" : "/") + std::string(at.name);
    }
    TreeRemover::Result failure{error, std::move(entry), std::nullopt};
    struct stat info {};
    if (at.fd >= 0 && (at.name != nullptr ? ::fstatat(at.fd, at.name, &info, AT_SYMLINK_NOFOLLOW)
                                          : ::fstat(at.fd, &info)) == 0) {
        failure.owner = info.st_uid;
    }
    return failure;
}

class Removal : StealingWalk<Frame> {
public:
    Removal(int threads, int topParentFd, dev_t device, const StopToken& stop, FreedBytes* freed)
        : StealingWalk(threads)
        , m_topParentFd(topParentFd)
        , m_device(device)
        , m_stop(stop)
        , m_freed(freed) {}

    TreeRemover::Result run(int topFd, const char* name, const struct stat& info) {
        runWalkers([&] { enter(0, topFd, new Node(nullptr, name, info), info, 0); },
                   [this](int index, Stack& stack) { step(index, stack); },
                   [](Frame& frame, Frame& taken) {
                       // The thief holds a count on the folder it took subfolders of.
                       frame.node->pending.fetch_add(1);
                       taken.node = frame.node;
                   });
        if (m_cancelled.load()) {
            return cancelled();
        }
        return m_firstError.load() != 0 ? std::move(m_failure) : TreeRemover::Result{};
    }

private:
    void record(int error, const Place& at) {
        // Something else removed it meanwhile: the goal is reached all the same.
        if (error == 0 || error == ENOENT) {
            return;
        }
        // Only the first error is described, by whoever met it while the place is still open;
        // the walkers are joined before the description is read.
        int none = 0;
        if (m_firstError.compare_exchange_strong(none, error)) {
            m_failure = failureAt(error, at);
        }
    }
    void recordRemoval(int error, const Place& at) { record(error, culpritOfRemoval(error, at)); }

    bool stopped() {
        if (m_stop.stopRequested()) {
            m_cancelled.store(true);
            return true;
        }
        return false;
    }

    void addFreed(qint64 bytes) {
        if (m_freed != nullptr && bytes != 0) {
            m_freed->add(bytes);
        }
    }

    // Unlinks the entry `name` of the open folder `folderFd` (which is `folder`), anything but a
    // folder, and returns the bytes that freed. It is looked at first: the link that goes may not
    // be the file's last.
    qint64 unlinkEntry(int folderFd, const Node* folder, const char* name) {
        struct stat info {};
        const bool seen = ::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0;
        if (::unlinkat(folderFd, name, 0) != 0) {
            recordRemoval(errno, {folderFd, folder, name});
            return 0;
        }
        return seen ? m_links.countedBytes(info) : 0;
    }

    // Enters the next subfolder of the top frame, or finishes the frame when it has none left.
    void step(int index, Stack& stack) {
        if (stopped()) {
            stack.dropUnvisited(0);
        }
        std::string name;
        if (!stack.takeNext(name)) {
            Frame done = stack.pop();
            release(stack, done.node);
            return;
        }
        if (stack.top().fd < 0 && !reopenTop(stack)) {
            return;
        }
        const Frame& top = stack.top();
        const int parentFd = top.fd;
        if (name.front() == listedAsFile) {
            addFreed(unlinkEntry(parentFd, top.node, name.c_str() + 1));
            return;
        }
        const int fd = ::openat(parentFd, name.c_str(), openFolderFlags);
        if (fd < 0) {
            const int error = errno;
            struct stat info {};
            if (isNoLongerFolder(error)) {
                // Replaced by a link or a file since it was listed: it goes as what it is now,
                // and unlinking never reaches past it.
                addFreed(unlinkEntry(parentFd, top.node, name.c_str()));
            } else if (::fstatat(parentFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
                       ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) {
                // Not openable (no permission, no descriptor left) but it may still be empty.
                record(error, {parentFd, top.node, name.c_str()});
            } else {
                addFreed(allocatedBytes(info));
            }
            return;
        }
        struct stat info {};
        if (::fstat(fd, &info) != 0) {
            record(errno, {parentFd, top.node, name.c_str()});
            ::close(fd);
            return;
        }
        if (isMountRoot(fd, "", info, m_device)) {
            // Something is mounted here; its contents are not part of the item. Removing the mount
            // point fails and says so.
            ::close(fd);
            if (::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) {
                recordRemoval(errno, {parentFd, top.node, name.c_str()});
            }
            return;
        }
        Node* parent = top.node;
        const int depth = top.depth + 1;
        parent->pending.fetch_add(1);
        enter(index, fd, new Node(parent, std::move(name), info), info, depth);
    }

    // Lists the open folder `fd` (taken over) whole, before anything in it is unlinked: some file
    // systems skip entries when a folder changes while it is being read. Its subfolders are left
    // in the frame for this walker or a thief; everything else is unlinked here.
    void enter(int index, int fd, Node* node, const struct stat& info, int depth) {
        grantOwnerAccess(fd, info);
        Frame frame;
        frame.fd = fd;
        frame.name = node->name;
        frame.depth = depth;
        frame.device = info.st_dev;
        frame.inode = info.st_ino;
        frame.identified = true;
        frame.node = node;
        std::vector<std::string> others;
        const int listed = listFolder(fd, [&](const char* name, unsigned char type) {
            bool isFolder = type == DT_DIR;
            if (type == DT_UNKNOWN) {
                struct stat entryInfo {};
                if (::fstatat(fd, name, &entryInfo, AT_SYMLINK_NOFOLLOW) != 0) {
                    record(errno, {fd, node, name});
                    return;
                }
                isFolder = S_ISDIR(entryInfo.st_mode);
            }
            (isFolder ? frame.subfolders : others).emplace_back(name);
        });
        record(listed, {fd, node});
        if (others.size() > filesKeptByLister) {
            // Shared out with the subfolders, marked so that whoever takes one unlinks it at once:
            // the unlinks of one large folder run on every walker.
            for (std::string& name : others) {
                frame.subfolders.push_back(listedAsFile + std::move(name));
            }
            others.clear();
        }
        push(index, std::move(frame));
        qint64 freed = 0;
        for (const std::string& name : others) {
            if (stopped()) {
                break;
            }
            freed += unlinkEntry(fd, node, name.c_str());
        }
        addFreed(freed);
        m_crew.folderDone(index);
    }

    // A folder the user owns but may not change (package caches that are made read-only on
    // purpose) would stop the removal; its owner may allow it. The descriptor is the folder that
    // was identified, so no link or swapped-in name is ever changed, and nothing above the item.
    static void grantOwnerAccess(int fd, const struct stat& info) {
        constexpr mode_t needed = S_IWUSR | S_IXUSR;
        const uid_t user = ::geteuid();
        if (user != 0 && info.st_uid == user && (info.st_mode & needed) != needed) {
            ::fchmod(fd, (info.st_mode & 07777) | needed);
        }
    }

    // Lets go of one count on `node`, removing every folder whose last count that was.
    void release(Stack& stack, Node* node) {
        while (node != nullptr && node->pending.fetch_sub(1) == 1) {
            Node* parent = node->parent;
            removeFolder(stack, *node);
            delete node;
            node = parent;
        }
    }

    void removeFolder(Stack& stack, const Node& node) {
        if (stopped() || node.abandoned.load()) {
            return;
        }
        int parentFd = m_topParentFd;
        bool ownsParentFd = false;
        if (node.parent != nullptr) {
            if (!stack.empty() && stack.top().node == node.parent) {
                if (stack.top().fd < 0 && !reopenTop(stack)) {
                    return;
                }
                parentFd = stack.top().fd;
            } else {
                // Emptied by a thief, or its parent's walker has moved on: find the parent again
                // from the top, identity checked on the way.
                parentFd = openNode(*node.parent);
                if (parentFd < 0) {
                    return;
                }
                ownsParentFd = true;
            }
        }
        if (::unlinkat(parentFd, node.name.c_str(), AT_REMOVEDIR) != 0) {
            recordRemoval(errno, {parentFd, node.parent, node.name.c_str()});
        } else if (node.parent != nullptr) {
            // The item's own folder is not counted, as the size walk leaves it out.
            addFreed(node.ownBytes);
        }
        if (ownsParentFd) {
            ::close(parentFd);
        }
    }

    // Opens the folder of `node` from the item's parent down, checking every folder on the way.
    int openNode(const Node& node) {
        std::vector<const Node*> way;
        for (const Node* at = &node; at != nullptr; at = at->parent) {
            way.push_back(at);
        }
        int fd = m_topParentFd;
        for (auto at = way.rbegin(); at != way.rend(); ++at) {
            const int child = ::openat(fd, (*at)->name.c_str(), openFolderFlags);
            if (fd != m_topParentFd) {
                ::close(fd);
            }
            struct stat info {};
            if (child < 0 || ::fstat(child, &info) != 0 || info.st_dev != (*at)->device ||
                info.st_ino != (*at)->inode) {
                if (child >= 0) {
                    ::close(child);
                }
                return -1;
            }
            fd = child;
        }
        return fd;
    }

    // Reopens the top frame's folder. A folder on the way that is gone or is not the one seen
    // before is abandoned with everything above it.
    bool reopenTop(Stack& stack) {
        int error = 0;
        const std::size_t failed = stack.reopenTop(m_crew.folderBudget(), error);
        if (failed == stack.size()) {
            return true;
        }
        if (error != 0 && !isNoLongerFolder(error)) {
            const Node& lost = *stack[failed].node;
            record(error, {stack[failed - 1].fd, lost.parent, lost.name.c_str()});
        }
        for (std::size_t i = failed; i < stack.size(); ++i) {
            stack[i].node->abandoned.store(true);
        }
        stack.dropUnvisited(failed);
        return false;
    }

    const int m_topParentFd;
    const dev_t m_device;
    const StopToken m_stop;
    FreedBytes* const m_freed;
    LinkTally m_links;
    std::atomic<int> m_firstError{0};
    TreeRemover::Result m_failure; // written once, by whoever set m_firstError
    std::atomic<bool> m_cancelled{false};
};

} // namespace

TreeRemover::Result TreeRemover::remove(int parentFd, const char* name, const struct stat& seen,
                                        int threads, const StopToken& stop, FreedBytes* freed) {
    if (stop.stopRequested()) {
        return cancelled();
    }
    const Place item{parentFd, nullptr, name};
    const auto unlinkItem = [&]() -> Result {
        if (::unlinkat(parentFd, name, 0) == 0) {
            return {};
        }
        const int error = errno;
        return failureAt(error, culpritOfRemoval(error, item));
    };
    if (!S_ISDIR(seen.st_mode)) {
        return unlinkItem();
    }
    const int fd = ::openat(parentFd, name, openFolderFlags);
    if (fd < 0) {
        const int error = errno;
        if (isNoLongerFolder(error)) {
            // Replaced by a link or a file since the caller looked: unlinking it never reaches
            // past it.
            return unlinkItem();
        }
        return ::unlinkat(parentFd, name, AT_REMOVEDIR) == 0 ? Result{} : failureAt(error, item);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return failureAt(error, item);
    }
    if (info.st_dev != seen.st_dev || info.st_ino != seen.st_ino) {
        // Another folder was moved in since the caller looked: it was not the one asked for.
        ::close(fd);
        return failureAt(EAGAIN, item);
    }
    Removal removal(std::max(threads, 0), parentFd, info.st_dev, stop, freed);
    return removal.run(fd, name, info);
}
