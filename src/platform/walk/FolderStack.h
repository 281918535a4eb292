#pragma once

#include "platform/walk/ListFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Open folders a whole walk or removal may hold at once, shared out among its walkers (each keeps
// at least four, so a crew of more than eight may hold four per walker). Folders deeper than a
// walker's share are closed, shallowest first (the walk needs the deepest ones next), and reopened
// by name, identity checked, when the walk comes back to them; so neither depth nor the number of
// walkers can exhaust the process's descriptors.
inline constexpr std::size_t maxOpenFolders = 32;

// Folders are opened one name at a time relative to their parent, never through a link, never as
// a controlling terminal, and without blocking on a FIFO that was swapped in for a folder.
inline constexpr int openFolderFlags =
    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;

// One folder on a walker's way down.
struct FolderFrame {
    int fd = -1;      // -1 while closed to spare descriptors
    std::string name; // relative to the frame below
    int depth = 0;    // below the top of the walk
    // Taken when the folder is opened or at the latest when it is closed early, so that reopening
    // it by name cannot wander into something that was swapped in meanwhile.
    dev_t device = 0;
    ino_t inode = 0;
    bool identified = false;
    // Subfolders not yet entered: the owner takes them from the front, thieves from the back.
    std::vector<std::string> subfolders;
    std::size_t next = 0;
    std::size_t end = 0;
};

// A walker's depth-first stack of open folders, from which idle walkers steal the shallowest
// unvisited subfolders. The owner changes what a thief can see (the frames, their descriptors and
// their unvisited names) only under `mutex`; it reads its own frames without it.
template <typename Frame>
class FolderStack {
public:
    FolderStack() = default;
    FolderStack(const FolderStack&) = delete;
    FolderStack& operator=(const FolderStack&) = delete;
    ~FolderStack() {
        for (Frame& frame : m_frames) {
            if (frame.fd >= 0) {
                ::close(frame.fd);
            }
        }
    }

    bool empty() const { return m_frames.empty(); }
    std::size_t size() const { return m_frames.size(); }
    Frame& top() { return m_frames.back(); }
    Frame& operator[](std::size_t index) { return m_frames[index]; }

    // Pushes a frame whose folder is open, closing the shallowest open one above the bottom when
    // the walker is over its `budget` of open folders.
    void push(Frame frame, std::size_t budget) {
        frame.end = frame.subfolders.size();
        const bool hasSubfolders = frame.next < frame.end;
        {
            std::lock_guard lock(mutex);
            m_frames.push_back(std::move(frame));
            ++m_open;
            while (m_open > std::max<std::size_t>(budget, 2) && closeShallowest()) {
            }
        }
        if (hasSubfolders && !stealable.load(std::memory_order_relaxed)) {
            stealable.store(true);
            m_newWork = true;
        }
    }

    // True once after a push made work visible to thieves where there was none.
    bool takeNewWork() { return std::exchange(m_newWork, false); }

    // The next subfolder of the top frame to enter, or false when it has none left.
    bool takeNext(std::string& name) {
        std::lock_guard lock(mutex);
        Frame& top = m_frames.back();
        if (top.next == top.end) {
            return false;
        }
        name = std::move(top.subfolders[top.next++]);
        return true;
    }

    // Leaves no subfolder of frames `from` and above to enter.
    void dropUnvisited(std::size_t from) {
        std::lock_guard lock(mutex);
        for (std::size_t i = from; i < m_frames.size(); ++i) {
            m_frames[i].next = m_frames[i].end;
        }
    }

    // Closes and removes the top frame, handing it back (its descriptor closed).
    Frame pop() {
        std::lock_guard lock(mutex);
        Frame frame = std::move(m_frames.back());
        m_frames.pop_back();
        if (frame.fd >= 0) {
            ::close(frame.fd);
            frame.fd = -1;
            --m_open;
        }
        return frame;
    }

    // Opens the top frame's folder again, walking down from its nearest open ancestor and checking
    // that every folder on the way is still the one seen before. Returns the index of the first
    // frame that is not (gone, or another folder now), or size() when all went well; `error` says
    // why when the name could not be opened at all.
    std::size_t reopenTop(std::size_t budget, int& error) {
        std::size_t anchor = m_frames.size() - 1;
        while (m_frames[anchor].fd < 0) {
            --anchor; // the bottom frame is never closed early
        }
        for (std::size_t i = anchor + 1; i < m_frames.size(); ++i) {
            Frame& frame = m_frames[i];
            const int fd = ::openat(m_frames[i - 1].fd, frame.name.c_str(), openFolderFlags);
            error = fd < 0 ? errno : 0;
            struct stat info {};
            if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_dev != frame.device ||
                info.st_ino != frame.inode) {
                if (fd >= 0) {
                    ::close(fd);
                }
                return i;
            }
            std::lock_guard lock(mutex);
            frame.fd = fd;
            ++m_open;
            // Never close the way just opened: the frames below `i` are the shallower ones.
            while (m_open > std::max<std::size_t>(budget, 2) && closeShallowest(i)) {
            }
        }
        return m_frames.size();
    }

    // Hands the thief `share` half of the unvisited subfolders of this stack's shallowest open
    // frame that has any, with its own descriptor of that folder; `onShare(frame, share)` runs
    // while the frame cannot change. False when there is nothing to take.
    template <typename OnShare>
    bool stealInto(Frame& share, OnShare&& onShare) {
        std::lock_guard lock(mutex);
        for (Frame& frame : m_frames) {
            if (frame.fd < 0 || frame.next == frame.end) {
                continue;
            }
            const int fd = ::fcntl(frame.fd, F_DUPFD_CLOEXEC, 0);
            if (fd < 0) {
                return false;
            }
            const std::size_t count = (frame.end - frame.next + 1) / 2;
            share.fd = fd;
            share.name = frame.name;
            share.depth = frame.depth;
            share.device = frame.device;
            share.inode = frame.inode;
            share.identified = frame.identified;
            share.subfolders.assign(
                std::make_move_iterator(frame.subfolders.begin() +
                                        static_cast<std::ptrdiff_t>(frame.end - count)),
                std::make_move_iterator(frame.subfolders.begin() +
                                        static_cast<std::ptrdiff_t>(frame.end)));
            share.next = 0;
            frame.end -= count;
            onShare(frame, share);
            return true;
        }
        stealable.store(false);
        return false;
    }

    // Depth of the shallowest frame a thief could take from, or -1.
    int shallowestStealable() {
        std::lock_guard lock(mutex);
        for (const Frame& frame : m_frames) {
            if (frame.fd >= 0 && frame.next < frame.end) {
                return frame.depth;
            }
        }
        return -1;
    }

    std::mutex mutex;
    // A hint, never a promise: set when work appears, cleared by a thief that finds none.
    std::atomic<bool> stealable{false};

private:
    // Closes the shallowest open frame between the bottom and `limit` (never the bottom: a walk
    // must keep a way back in). Called with the mutex held.
    bool closeShallowest(std::size_t limit = static_cast<std::size_t>(-1)) {
        const std::size_t last = std::min(limit, m_frames.size() - 1);
        for (std::size_t i = 1; i < last; ++i) {
            Frame& frame = m_frames[i];
            if (frame.fd < 0) {
                continue;
            }
            if (!frame.identified) {
                struct stat info {};
                if (::fstat(frame.fd, &info) != 0) {
                    continue;
                }
                frame.device = info.st_dev;
                frame.inode = info.st_ino;
                frame.identified = true;
            }
            ::close(frame.fd);
            frame.fd = -1;
            --m_open;
            return true;
        }
        return false;
    }

    std::vector<Frame> m_frames;
    std::size_t m_open = 0;
    bool m_newWork = false;
};
