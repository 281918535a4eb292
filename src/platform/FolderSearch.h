#pragma once

#include "platform/StopToken.h"
#include "platform/walk/ListFolder.h"

#include <QtGlobal>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

// A walk down a folder tree that its caller steers folder by folder: the search opens and lists
// each folder it reaches, shows it to a guide, and goes on into the subfolders the guide chooses.
// Folders are shared out among walker threads as in the size walk (one per core, more while they
// wait on the disk). Everything happens relative to open descriptors, one name at a time: links are
// never followed, paths have no length limit, and the descriptors held stay bounded however deep
// or wide the tree is. The search keeps nothing of a folder once it has gone into its subfolders,
// so its memory follows the depth of the tree and the widest folder, not the number of entries.
class FolderSearch {
public:
    // What an entry is, seen without following a link: links, FIFOs, sockets and devices are
    // `other`.
    enum class Kind : unsigned char { file, folder, other };
    // What a guide attaches to a folder for the folders below it. The guide owns what it points
    // to and keeps it until the search has returned.
    using Context = const void*;

    class Folder;
    class Subfolder;

    // Where a folder lies below the top: its name in the folder holding it. The frames and thieves
    // below a folder share its place, so a walk keeps one name per level however deep it goes.
    struct Place {
        std::shared_ptr<const Place> parent; // none for the top
        std::string name;
    };

    // Decides, folder by folder, where the search goes.
    class Guide {
    public:
        virtual ~Guide() = default;
        // Looks at one folder the search has reached and chooses where it goes from there
        // (Folder::enter). Runs on the walker threads, several folders at once.
        virtual void visit(Folder& folder) = 0;
    };

    // Searches from the open folder `topFd`, which it takes over and closes, showing it with
    // `topContext` first. A subfolder whose path below the top is one of `skipped` ("a/b") is
    // never entered. A stop request ends the search between folders and cuts a listing short.
    static void run(int topFd, Guide& guide, Context topContext,
                    const std::unordered_set<std::string>& skipped, const StopToken& stop);
};

// One folder the search holds open, as its guide sees it during one visit.
class FolderSearch::Folder {
public:
    Folder(int fd, const std::shared_ptr<const Place>& place, int depth, Context context,
           const StopToken& stop)
        : m_fd(fd)
        , m_place(place)
        , m_depth(depth)
        , m_context(context)
        , m_stop(stop) {}

    // The path below the top of the search ("a/b"), empty for the top itself. Made on each call.
    std::string path() const;
    // 0 for the top, 1 for the folders in it, and so on.
    int depth() const { return m_depth; }
    // What the guide attached to the folder above (or the search's own for the top).
    Context context() const { return m_context; }

    // Calls `each(const char* name, Kind kind)` for every entry of the folder, "." and ".." left
    // out, in the order the file system lists them; it may be called again for a second pass. A
    // stop request ends it early.
    template <typename Each>
    void list(Each&& each) const {
        if (m_listed) {
            rewind();
        }
        m_listed = true;
        listFolder(m_fd, [&](const char* name, unsigned char type) {
            if (!m_stop.stopRequested()) {
                each(name, kindOf(name, type));
            }
        });
    }
    // The modification time of the regular file `name` in this folder, in seconds since the
    // epoch; nothing when there is no regular file of that name.
    std::optional<qint64> modifiedAt(const char* name) const;
    // The subfolder `name`, opened to look inside it.
    Subfolder open(const char* name) const;

    // Has the search go into the subfolder `name` once this visit is over.
    void enter(std::string name) { m_entered.push_back(std::move(name)); }
    // What the subfolders entered are shown with; this folder's own context unless set.
    void setContextBelow(Context context) { m_context = context; }

    // What the visit chose, for the search.
    std::vector<std::string>& entered() { return m_entered; }

private:
    void rewind() const;
    Kind kindOf(const char* name, unsigned char type) const;

    const int m_fd;
    const std::shared_ptr<const Place>& m_place;
    const int m_depth;
    Context m_context;
    const StopToken& m_stop;
    mutable bool m_listed = false;
    std::vector<std::string> m_entered;
};

// A direct subfolder that a guide looks into without going there: it is open only as long as this
// object lives.
class FolderSearch::Subfolder {
public:
    // Opens `name` of the open folder `parentFd`, never through a link, and only when it is a
    // folder of the same mount as its parent.
    Subfolder(int parentFd, const char* name);
    ~Subfolder();
    Subfolder(Subfolder&& other) noexcept;
    Subfolder(const Subfolder&) = delete;
    Subfolder& operator=(const Subfolder&) = delete;
    Subfolder& operator=(Subfolder&&) = delete;

    // False when the name is no folder of its own there: a link, a file, gone, unreadable, or a
    // file system mounted on it.
    explicit operator bool() const { return m_fd >= 0; }
    // What the entry `name` inside it is; nothing when there is none.
    std::optional<Kind> entry(const char* name) const;
    // The first `count` bytes of the regular file `name` inside it (fewer when the file is
    // shorter); nothing when there is no such file or it cannot be read.
    std::optional<std::string> head(const char* name, std::size_t count) const;

private:
    int m_fd = -1;
};
