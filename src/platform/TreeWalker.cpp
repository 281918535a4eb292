#include "platform/TreeWalker.h"

#include "platform/ThreadPriority.h"

#include <QThread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int openFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;

// Descriptors one walker keeps open on its way down; deeper folders are reopened from the nearest
// open ancestor when the walk comes back to them.
constexpr std::size_t maxOpenFolders = 24;

bool isHidden(const char* name) {
    return name[0] == '.';
}

qint64 allocatedBytes(const struct stat& info) {
    // st_blocks counts 512-byte units on every system we build for, whatever st_blksize says.
    return static_cast<qint64>(info.st_blocks) * 512;
}

struct Frame {
    DIR* folder = nullptr;
    std::string name; // relative to the frame below
    // The folder's identity, taken when its descriptor is closed early, so that reopening it by
    // name cannot wander into something that was swapped in meanwhile.
    dev_t device = 0;
    ino_t inode = 0;
    std::vector<std::string> subfolders;
    std::size_t next = 0;
};

// One walker's way down a subtree.
struct Cursor {
    std::vector<Frame> stack;
    std::size_t openFolders = 0;
    qint64 total = 0;
};

class Walk {
public:
    Walk(int threads, StopToken stop)
        : m_threads(threads)
        , m_stop(std::move(stop)) {}

    qint64 run(int topFd) {
        m_pending.push_back(topFd);
        std::vector<std::thread> helpers;
        for (int i = 1; i < m_threads; ++i) {
            try {
                helpers.emplace_back([this] {
                    lowerCurrentThreadPriority();
                    work();
                });
            } catch (const std::system_error&) {
                std::lock_guard lock(m_mutex);
                m_threads = static_cast<int>(helpers.size()) + 1;
                m_wake.notify_all();
                break;
            }
        }
        work();
        for (auto& helper : helpers) {
            helper.join();
        }
        return m_total.load();
    }

private:
    void work() {
        qint64 total = 0;
        while (const auto fd = take()) {
            total += walkFrom(*fd);
        }
        m_total.fetch_add(total);
    }

    // The next folder to walk, or nothing once every walker is idle and nothing is left.
    std::optional<int> take() {
        std::unique_lock lock(m_mutex);
        ++m_idle;
        m_idleHint.store(m_idle, std::memory_order_relaxed);
        while (m_pending.empty() && !m_finished) {
            if (m_idle >= m_threads) {
                m_finished = true;
                m_wake.notify_all();
                break;
            }
            m_wake.wait(lock);
        }
        if (m_stop.stopRequested()) {
            // Folders handed over but not yet entered are let go unread.
            for (const int fd : m_pending) {
                ::close(fd);
            }
            m_pending.clear();
        }
        if (m_pending.empty()) {
            return std::nullopt;
        }
        const int fd = m_pending.back();
        m_pending.pop_back();
        --m_idle;
        m_idleHint.store(m_idle, std::memory_order_relaxed);
        return fd;
    }

    // Hands a subfolder to an idle walker. True when it was taken care of (handed over, or found
    // unopenable); false when the caller should walk it itself.
    bool offer(int parentFd, const char* name) {
        if (m_idleHint.load(std::memory_order_relaxed) == 0) {
            return false;
        }
        std::lock_guard lock(m_mutex);
        if (static_cast<std::size_t>(m_idle) <= m_pending.size()) {
            return false;
        }
        const int fd = ::openat(parentFd, name, openFolderFlags);
        if (fd >= 0) {
            m_pending.push_back(fd);
            m_wake.notify_one();
        }
        return true;
    }

    // Reads a whole folder: files are summed at once, subfolders are queued in the frame or handed
    // to idle walkers. Takes over `fd`.
    bool pushFrame(Cursor& cursor, int fd, std::string name) {
        DIR* folder = ::fdopendir(fd);
        if (folder == nullptr) {
            ::close(fd);
            return false;
        }
        Frame frame;
        frame.folder = folder;
        frame.name = std::move(name);
        const int folderFd = ::dirfd(folder);
        while (const dirent* entry = ::readdir(folder)) {
            // A folder of a few hundred thousand files takes seconds to read on its own.
            if (m_stop.stopRequested()) {
                break;
            }
            const char* entryName = entry->d_name;
            if (isHidden(entryName)) {
                continue;
            }
            bool isFolder = entry->d_type == DT_DIR;
            if (!isFolder) {
                struct stat info {};
                if (::fstatat(folderFd, entryName, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                    continue;
                }
                isFolder = S_ISDIR(info.st_mode);
                if (!isFolder) {
                    cursor.total += allocatedBytes(info);
                }
            }
            if (isFolder && !offer(folderFd, entryName)) {
                frame.subfolders.emplace_back(entryName);
            }
        }
        cursor.stack.push_back(std::move(frame));
        ++cursor.openFolders;
        return true;
    }

    static void closeOldestAboveBottom(Cursor& cursor) {
        for (std::size_t i = 1; i < cursor.stack.size(); ++i) {
            Frame& frame = cursor.stack[i];
            if (frame.folder == nullptr) {
                continue;
            }
            struct stat info {};
            if (::fstat(::dirfd(frame.folder), &info) == 0) {
                frame.device = info.st_dev;
                frame.inode = info.st_ino;
            }
            ::closedir(frame.folder);
            frame.folder = nullptr;
            --cursor.openFolders;
            return;
        }
    }

    // Reopens the top frame by walking down from its nearest open ancestor, checking that every
    // folder on the way is still the one seen before.
    static bool reopenTop(Cursor& cursor) {
        std::vector<Frame>& stack = cursor.stack;
        std::size_t anchor = stack.size() - 1;
        while (stack[anchor].folder == nullptr) {
            --anchor; // frame 0 is never closed early
        }
        int parent = ::dirfd(stack[anchor].folder);
        int opened = -1;
        for (std::size_t i = anchor + 1; i < stack.size(); ++i) {
            const int fd = ::openat(parent, stack[i].name.c_str(), openFolderFlags);
            if (opened >= 0) {
                ::close(opened);
            }
            opened = fd;
            struct stat info {};
            if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_dev != stack[i].device ||
                info.st_ino != stack[i].inode) {
                if (fd >= 0) {
                    ::close(fd);
                }
                return false;
            }
            parent = fd;
        }
        stack.back().folder = ::fdopendir(opened);
        if (stack.back().folder == nullptr) {
            ::close(opened);
            return false;
        }
        ++cursor.openFolders;
        return true;
    }

    qint64 walkFrom(int fd) {
        Cursor cursor;
        if (!pushFrame(cursor, fd, {})) {
            return 0;
        }
        std::vector<Frame>& stack = cursor.stack;
        while (!stack.empty()) {
            Frame& top = stack.back();
            if (m_stop.stopRequested()) {
                // Unwinds without entering anything more; each frame closes on its way out.
                top.next = top.subfolders.size();
            }
            if (top.next == top.subfolders.size()) {
                if (top.folder != nullptr) {
                    ::closedir(top.folder);
                    --cursor.openFolders;
                }
                stack.pop_back();
                continue;
            }
            if (top.folder == nullptr && !reopenTop(cursor)) {
                top.next = top.subfolders.size();
                continue;
            }
            std::string name = std::move(top.subfolders[top.next++]);
            // Whenever a walker runs dry, the next folder on anyone's way goes to it.
            if (offer(::dirfd(top.folder), name.c_str())) {
                continue;
            }
            const int child = ::openat(::dirfd(top.folder), name.c_str(), openFolderFlags);
            if (child < 0) {
                continue;
            }
            if (cursor.openFolders >= maxOpenFolders) {
                closeOldestAboveBottom(cursor);
            }
            pushFrame(cursor, child, std::move(name));
        }
        return cursor.total;
    }

    int m_threads;
    const StopToken m_stop;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<int> m_pending;
    int m_idle = 0;
    bool m_finished = false;
    std::atomic<int> m_idleHint{0};
    std::atomic<qint64> m_total{0};
};

} // namespace

qint64 TreeWalker::allocatedSize(int folderFd, const StopToken& stop) {
    Walk walk(std::max(1, QThread::idealThreadCount()), stop);
    return walk.run(folderFd);
}
