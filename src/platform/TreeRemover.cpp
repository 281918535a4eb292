#include "platform/TreeRemover.h"

#include "platform/ThreadPriority.h"

#include <QThread>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int openFolderFlags =
    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;

// Folders the walk keeps open on its way down. Beyond that the shallowest ones are closed and
// reopened by name, identity checked, when the walk comes back up to them.
constexpr std::size_t maxOpenFolders = 24;
// Unlink batches waiting for a thread. A waiting batch can keep a folder open that the walk has
// already let go of, so this bounds descriptors as well as memory.
constexpr std::size_t maxQueuedBatches = 32;
// Names per batch: small enough to spread one large folder over the threads, large enough that
// handing a batch over costs little next to its unlinks.
constexpr std::size_t batchSize = 128;

// True when the open folder is the root of a mount: another file system, or another view of
// this one (a bind mount shares the device number, so comparing devices alone misses it).
bool isMountRoot(int fd) {
#if defined(Q_OS_LINUX) && defined(STATX_ATTR_MOUNT_ROOT)
    struct statx info {};
    if (::statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_TYPE, &info) == 0 &&
        (info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0) {
        return (info.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    }
#endif
    Q_UNUSED(fd);
    return false;
}

// A folder the running user owns but may not write or search cannot be emptied: a Go module cache
// is made of such folders. The owner may grant it, so the removal does, through the folder's own
// descriptor (no link is followed). Only folders of the item are ever passed here, never its
// parent.
void grantOwnerAccess(int fd, const struct stat& info) {
    constexpr mode_t needed = S_IWUSR | S_IXUSR;
    const uid_t user = ::geteuid();
    if (user != 0 && info.st_uid == user && (info.st_mode & needed) != needed) {
        ::fchmod(fd, (info.st_mode & 07777) | needed);
    }
}

// Names that were a folder when listed but are something else by the time they are opened.
bool isNoLongerFolder(int error) {
    return error == ENOTDIR || error == ELOOP || error == EMLINK;
}

// An open folder, shared by the walk and the batches that unlink inside it; closed by the last.
class Folder {
public:
    explicit Folder(DIR* listing)
        : m_listing(listing)
        , m_fd(::dirfd(listing)) {}
    explicit Folder(int fd)
        : m_fd(fd) {}
    ~Folder() {
        if (m_listing != nullptr) {
            ::closedir(m_listing);
        } else {
            ::close(m_fd);
        }
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    int fd() const { return m_fd; }

private:
    DIR* m_listing = nullptr;
    int m_fd;
};

using Counter = std::atomic<int>;

struct Batch {
    std::shared_ptr<Folder> folder;
    std::vector<std::string> names;
    // Batches of the folder still outstanding; the folder can only go once this is 0.
    std::shared_ptr<Counter> pending;
};

struct Frame {
    std::shared_ptr<Folder> folder; // null while closed to spare descriptors
    std::string name;               // relative to the frame below
    dev_t device = 0;
    ino_t inode = 0;
    std::vector<std::string> subfolders;
    std::size_t next = 0;
    // The name no longer leads to the folder that was being emptied: leave it be.
    bool abandoned = false;
    std::shared_ptr<Counter> pending = std::make_shared<Counter>(0);
};

// One removal: a single walk lists folders depth first and removes them on the way back up; the
// unlinking of everything that is not a folder is handed out in batches to helper threads and
// done by the walk itself whenever it would otherwise wait.
class Removal {
public:
    Removal(int threads, int topParentFd, dev_t device, StopToken stop)
        : m_helperCount(std::max(threads, 1) - 1)
        , m_topParentFd(topParentFd)
        , m_device(device)
        , m_stop(std::move(stop)) {}

    int run(int topFd, const char* name, const struct stat& info) {
        std::vector<std::thread> helpers;
        for (int i = 0; i < m_helperCount; ++i) {
            try {
                helpers.emplace_back([this] { helperLoop(); });
            } catch (const std::system_error&) {
                break;
            }
        }
        m_helperCount = static_cast<int>(helpers.size());
        try {
            walk(topFd, name, info);
        } catch (const std::bad_alloc&) {
            record(ENOMEM);
        }
        {
            std::unique_lock lock(m_mutex);
            helpWhile(lock, [this] { return m_inFlight > 0; });
            m_finished = true;
        }
        m_workReady.notify_all();
        for (auto& helper : helpers) {
            helper.join();
        }
        m_stack.clear();
        return m_stopped.load() ? ECANCELED : m_firstError.load();
    }

private:
    void walk(int topFd, const char* name, const struct stat& info) {
        if (!pushFrame(topFd, name, info)) {
            return;
        }
        while (!m_stack.empty() && !stopping()) {
            Frame& top = m_stack.back();
            if (top.next == top.subfolders.size()) {
                finishTop();
                continue;
            }
            if (top.folder == nullptr && !reopenTop()) {
                continue;
            }
            enter(std::move(top.subfolders[top.next++]));
        }
    }

    // True once a stop was asked for: from then on nothing more is unlinked, and what is left
    // stays where it is.
    bool stopping() {
        if (!m_stop.stopRequested()) {
            return false;
        }
        m_stopped.store(true);
        return true;
    }

    void record(int error) {
        // Something else removed it meanwhile: the goal is reached all the same.
        if (error == 0 || error == ENOENT) {
            return;
        }
        int none = 0;
        m_firstError.compare_exchange_strong(none, error);
    }

    void unlinkAll(int folderFd, const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            if (stopping()) {
                return;
            }
            if (::unlinkat(folderFd, name.c_str(), 0) != 0) {
                record(errno);
            }
        }
    }

    // Lists a whole folder before anything in it is unlinked: some file systems skip entries when
    // a folder changes while it is being read. Takes over `fd`.
    bool pushFrame(int fd, std::string name, const struct stat& info) {
        grantOwnerAccess(fd, info);
        DIR* listing = ::fdopendir(fd);
        if (listing == nullptr) {
            record(errno);
            ::close(fd);
            return false;
        }
        Frame frame;
        frame.folder = std::make_shared<Folder>(listing);
        frame.name = std::move(name);
        frame.device = info.st_dev;
        frame.inode = info.st_ino;
        const int folderFd = ::dirfd(listing);
        std::vector<std::string> others;
        while (!stopping()) {
            errno = 0;
            const dirent* entry = ::readdir(listing);
            if (entry == nullptr) {
                record(errno);
                break;
            }
            const char* entryName = entry->d_name;
            if (entryName[0] == '.' &&
                (entryName[1] == '\0' || (entryName[1] == '.' && entryName[2] == '\0'))) {
                continue;
            }
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat entryInfo {};
                if (::fstatat(folderFd, entryName, &entryInfo, AT_SYMLINK_NOFOLLOW) != 0) {
                    record(errno);
                    continue;
                }
                isFolder = S_ISDIR(entryInfo.st_mode);
            }
            (isFolder ? frame.subfolders : others).emplace_back(entryName);
        }
        m_stack.push_back(std::move(frame));
        ++m_openFolders;
        dispatch(m_stack.back(), std::move(others));
        return true;
    }

    void dispatch(Frame& frame, std::vector<std::string> names) {
        if (m_helperCount == 0) {
            unlinkAll(frame.folder->fd(), names);
            return;
        }
        for (std::size_t start = 0; start < names.size(); start += batchSize) {
            const std::size_t end = std::min(names.size(), start + batchSize);
            Batch batch{frame.folder,
                        {std::make_move_iterator(names.begin() + static_cast<long>(start)),
                         std::make_move_iterator(names.begin() + static_cast<long>(end))},
                        frame.pending};
            frame.pending->fetch_add(1);
            std::unique_lock lock(m_mutex);
            helpWhile(lock, [this] { return m_queue.size() >= maxQueuedBatches; });
            m_queue.push_back(std::move(batch));
            ++m_inFlight;
            lock.unlock();
            m_workReady.notify_one();
        }
    }

    // Runs queued batches on this thread while `waiting` holds, and sleeps only when the queue is
    // empty.
    template <typename Condition>
    void helpWhile(std::unique_lock<std::mutex>& lock, Condition waiting) {
        while (waiting()) {
            if (m_queue.empty()) {
                m_batchDone.wait(lock);
                continue;
            }
            Batch batch = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            runBatch(std::move(batch));
            lock.lock();
        }
    }

    void runBatch(Batch batch) {
        unlinkAll(batch.folder->fd(), batch.names);
        batch.folder.reset();
        std::lock_guard lock(m_mutex);
        batch.pending->fetch_sub(1);
        --m_inFlight;
        m_batchDone.notify_all();
    }

    void helperLoop() {
        lowerCurrentThreadPriority();
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_workReady.wait(lock, [this] { return !m_queue.empty() || m_finished; });
            if (m_queue.empty()) {
                return;
            }
            Batch batch = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            runBatch(std::move(batch));
            lock.lock();
        }
    }

    // Opens the subfolder `name` of the top frame and lists it.
    void enter(std::string name) {
        const int parentFd = m_stack.back().folder->fd();
        const int fd = ::openat(parentFd, name.c_str(), openFolderFlags);
        if (fd < 0) {
            const int error = errno;
            if (isNoLongerFolder(error)) {
                // Replaced by a link or a file since it was listed: it goes as what it is now,
                // and unlinking never reaches past it.
                if (::unlinkat(parentFd, name.c_str(), 0) != 0) {
                    record(errno);
                }
            } else if (::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) {
                // Not openable (no permission, no descriptor left) but it may still be empty.
                record(error);
            }
            return;
        }
        struct stat info {};
        if (::fstat(fd, &info) != 0) {
            record(errno);
            ::close(fd);
            return;
        }
        if (info.st_dev != m_device || isMountRoot(fd)) {
            // Something is mounted here; its contents are not part of the item. Removing the mount
            // point fails and says so.
            ::close(fd);
            if (::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) {
                record(errno);
            }
            return;
        }
        if (m_openFolders >= maxOpenFolders) {
            closeShallowest();
        }
        pushFrame(fd, std::move(name), info);
    }

    // Removes the top frame's folder once everything in it is gone.
    void finishTop() {
        Frame& top = m_stack.back();
        {
            std::unique_lock lock(m_mutex);
            const Counter& pending = *top.pending;
            helpWhile(lock, [&pending] { return pending.load() > 0; });
        }
        if (top.folder != nullptr) {
            top.folder.reset();
            --m_openFolders;
        }
        const std::string name = std::move(top.name);
        const bool abandoned = top.abandoned;
        m_stack.pop_back();
        if (abandoned) {
            return;
        }
        if (m_stack.empty()) {
            if (::unlinkat(m_topParentFd, name.c_str(), AT_REMOVEDIR) != 0) {
                record(errno);
            }
            return;
        }
        if (m_stack.back().folder == nullptr && !reopenTop()) {
            return;
        }
        if (::unlinkat(m_stack.back().folder->fd(), name.c_str(), AT_REMOVEDIR) != 0) {
            record(errno);
        }
    }

    // Closes the open folder nearest the item (never the item itself): the walk needs the deepest
    // ones next.
    void closeShallowest() {
        for (std::size_t i = 1; i < m_stack.size(); ++i) {
            if (m_stack[i].folder != nullptr) {
                m_stack[i].folder.reset();
                --m_openFolders;
                return;
            }
        }
    }

    // Reopens the top frame by walking down from its nearest open ancestor, keeping the deepest
    // folders of the way open. A folder that is gone or is not the one seen before is abandoned
    // with everything above it.
    bool reopenTop() {
        std::size_t anchor = m_stack.size() - 1;
        while (m_stack[anchor].folder == nullptr) {
            --anchor; // frame 0 is never closed
        }
        for (std::size_t i = anchor + 1; i < m_stack.size(); ++i) {
            Frame& frame = m_stack[i];
            const int fd =
                ::openat(m_stack[i - 1].folder->fd(), frame.name.c_str(), openFolderFlags);
            struct stat info {};
            if (fd < 0) {
                if (!isNoLongerFolder(errno)) {
                    record(errno);
                }
            } else if (::fstat(fd, &info) == 0 && info.st_dev == frame.device &&
                       info.st_ino == frame.inode) {
                frame.folder = std::make_shared<Folder>(fd);
                if (++m_openFolders > maxOpenFolders) {
                    closeShallowest();
                }
                continue;
            } else {
                ::close(fd);
            }
            for (std::size_t j = i; j < m_stack.size(); ++j) {
                m_stack[j].abandoned = true;
                m_stack[j].next = m_stack[j].subfolders.size();
            }
            return false;
        }
        return true;
    }

    int m_helperCount;
    const int m_topParentFd;
    const dev_t m_device;
    const StopToken m_stop;
    std::atomic<int> m_firstError{0};
    std::atomic<bool> m_stopped{false};

    // The walk's own state.
    std::vector<Frame> m_stack;
    std::size_t m_openFolders = 0;

    // Shared with the helpers.
    std::mutex m_mutex;
    std::condition_variable m_workReady;
    std::condition_variable m_batchDone;
    std::deque<Batch> m_queue;
    std::size_t m_inFlight = 0;
    bool m_finished = false;
};

} // namespace

int TreeRemover::remove(int parentFd, const char* name, const struct stat& seen, int threads,
                        const StopToken& stop) {
    if (stop.stopRequested()) {
        return ECANCELED;
    }
    if (!S_ISDIR(seen.st_mode)) {
        return ::unlinkat(parentFd, name, 0) == 0 ? 0 : errno;
    }
    const int fd = ::openat(parentFd, name, openFolderFlags);
    if (fd < 0) {
        const int error = errno;
        if (isNoLongerFolder(error)) {
            // Replaced by a link or a file since the caller looked: unlinking it never reaches
            // past it.
            return ::unlinkat(parentFd, name, 0) == 0 ? 0 : errno;
        }
        return ::unlinkat(parentFd, name, AT_REMOVEDIR) == 0 ? 0 : error;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    if (info.st_dev != seen.st_dev || info.st_ino != seen.st_ino) {
        // Another folder was moved in since the caller looked: it was not the one asked for.
        ::close(fd);
        return EAGAIN;
    }
    Removal removal(threads > 0 ? threads : std::max(1, QThread::idealThreadCount()), parentFd,
                    info.st_dev, stop);
    return removal.run(fd, name, info);
}
