#include "platform/FolderSearch.h"

#include "platform/MountRoot.h"
#include "platform/walk/StealingWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>

namespace {

FolderSearch::Kind kindOfMode(mode_t mode) {
    if (S_ISREG(mode)) {
        return FolderSearch::Kind::file;
    }
    return S_ISDIR(mode) ? FolderSearch::Kind::folder : FolderSearch::Kind::other;
}

// One folder on a walker's way down, with where it lies and what its subfolders are shown with.
struct SearchFrame : FolderFrame {
    std::shared_ptr<const FolderSearch::Place> place;
    // Its path, kept only while a folder to keep out of lies below it.
    std::optional<std::string> wayToSkipped;
    FolderSearch::Context context = nullptr;
};

// Every path that leads to one of `skipped`: "a" and "a/b" for "a/b/c".
std::unordered_set<std::string> waysTo(const std::unordered_set<std::string>& skipped) {
    std::unordered_set<std::string> ways;
    for (const std::string& path : skipped) {
        for (std::size_t slash = path.find('/'); slash != std::string::npos;
             slash = path.find('/', slash + 1)) {
            ways.insert(path.substr(0, slash));
        }
    }
    return ways;
}

// One run of a folder search: the walkers, the guide they show folders to, and where they keep out.
class Search : StealingWalk<SearchFrame> {
public:
    Search(FolderSearch::Guide& guide, const std::unordered_set<std::string>& skipped,
           const StopToken& stop)
        : StealingWalk(0)
        , m_guide(guide)
        , m_skipped(skipped)
        , m_ways(waysTo(skipped))
        , m_stop(stop) {}

    void run(int topFd, FolderSearch::Context topContext) {
        runWalkers(
            [&] {
                SearchFrame top;
                top.fd = topFd;
                top.place = std::make_shared<const FolderSearch::Place>();
                if (!m_skipped.empty()) {
                    top.wayToSkipped.emplace();
                }
                top.context = topContext;
                visit(0, std::move(top));
            },
            [this](int index, Stack& stack) { step(index, stack); },
            [](SearchFrame& frame, SearchFrame& share) {
                share.place = frame.place;
                share.wayToSkipped = frame.wayToSkipped;
                share.context = frame.context;
            });
    }

private:
    // Goes one folder further down the top frame, or pops it when it has nothing left.
    void step(int index, Stack& stack) {
        std::string name;
        if (!takeSubfolder(stack, name, m_stop)) {
            return;
        }
        const SearchFrame& top = stack.top();
        SearchFrame child;
        if (top.wayToSkipped) {
            std::string path = top.wayToSkipped->empty() ? name : *top.wayToSkipped + '/' + name;
            if (m_skipped.count(path) != 0) {
                return;
            }
            if (m_ways.count(path) != 0) {
                child.wayToSkipped = std::move(path);
            }
        }
        child.fd = ::openat(top.fd, name.c_str(), openFolderFlags);
        if (child.fd < 0) {
            return; // unreadable, or no longer a folder: passed over
        }
        child.place =
            std::make_shared<const FolderSearch::Place>(FolderSearch::Place{top.place, name});
        child.name = std::move(name);
        child.depth = top.depth + 1;
        child.context = top.context;
        visit(index, std::move(child));
    }

    // Shows a folder to the guide and keeps the subfolders it chose for this walker or a thief.
    void visit(int index, SearchFrame frame) {
        FolderSearch::Folder folder(frame.fd, frame.place, frame.depth, frame.context, m_stop);
        m_guide.visit(folder);
        m_crew.folderDone(index);
        if (folder.entered().empty() || m_stop.stopRequested()) {
            ::close(frame.fd);
            return;
        }
        frame.subfolders = std::move(folder.entered());
        frame.context = folder.context();
        push(index, std::move(frame));
    }

    FolderSearch::Guide& m_guide;
    const std::unordered_set<std::string>& m_skipped;
    // The folders on the way to one of m_skipped, whose paths the frames keep.
    const std::unordered_set<std::string> m_ways;
    const StopToken m_stop;
};

} // namespace

void FolderSearch::run(int topFd, Guide& guide, Context topContext,
                       const std::unordered_set<std::string>& skipped, const StopToken& stop) {
    Search search(guide, skipped, stop);
    search.run(topFd, topContext);
}

std::string FolderSearch::Folder::path() const {
    std::vector<const std::string*> names;
    for (const Place* place = m_place.get(); place->parent; place = place->parent.get()) {
        names.push_back(&place->name);
    }
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        path += (path.empty() ? "" : "/") + **name;
    }
    return path;
}

void FolderSearch::Folder::rewind() const {
    ::lseek(m_fd, 0, SEEK_SET);
}

FolderSearch::Kind FolderSearch::Folder::kindOf(const char* name, unsigned char type) const {
    switch (type) {
    case DT_REG:
        return Kind::file;
    case DT_DIR:
        return Kind::folder;
    case DT_UNKNOWN: {
        // Some file systems do not say in their listings.
        struct stat info {};
        return ::fstatat(m_fd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 ? kindOfMode(info.st_mode)
                                                                      : Kind::other;
    }
    default:
        return Kind::other;
    }
}

std::optional<qint64> FolderSearch::Folder::modifiedAt(const char* name) const {
    struct stat info {};
    if (::fstatat(m_fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return static_cast<qint64>(info.st_mtime);
}

FolderSearch::Subfolder FolderSearch::Folder::open(const char* name) const {
    return Subfolder(m_fd, name);
}

FolderSearch::Subfolder::Subfolder(int parentFd, const char* name) {
    struct stat parent {};
    struct stat info {};
    const int fd = ::openat(parentFd, name, openFolderFlags);
    if (fd < 0) {
        return;
    }
    if (::fstat(parentFd, &parent) != 0 || ::fstat(fd, &info) != 0 ||
        isMountRoot(fd, "", info, parent.st_dev)) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

FolderSearch::Subfolder::~Subfolder() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

FolderSearch::Subfolder::Subfolder(Subfolder&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)) {}

std::optional<FolderSearch::Kind> FolderSearch::Subfolder::entry(const char* name) const {
    struct stat info {};
    if (m_fd < 0 || ::fstatat(m_fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return kindOfMode(info.st_mode);
}

std::optional<std::string> FolderSearch::Subfolder::head(const char* name,
                                                         std::size_t count) const {
    if (m_fd < 0) {
        return std::nullopt;
    }
    // Never a link, and never waiting on a FIFO put in its place.
    const int fd = ::openat(m_fd, name, O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    std::string bytes(count, '\0');
    std::size_t got = 0;
    bool readable = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    while (readable && got < count) {
        const ssize_t read = ::read(fd, bytes.data() + got, count - got);
        if (read < 0 && errno == EINTR) {
            continue;
        }
        readable = read >= 0;
        if (read <= 0) {
            break;
        }
        got += static_cast<std::size_t>(read);
    }
    ::close(fd);
    if (!readable) {
        return std::nullopt;
    }
    bytes.resize(got);
    return bytes;
}
