#include "support/Trees.h"

#include "platform/walk/TreeRemover.h"
#include "support/FakeDisk.h"

#include <QCryptographicHash>
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(Q_OS_LINUX)
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

void addEntry(QCryptographicHash& hash, int folderFd, const QByteArray& relative, const char* name,
              const QByteArrayList& excluded);

void addFolder(QCryptographicHash& hash, int fd, const QByteArray& relative,
               const QByteArrayList& excluded) {
    DIR* listing = ::fdopendir(fd);
    if (listing == nullptr) {
        ::close(fd);
        hash.addData("unlistable");
        return;
    }
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    for (const QByteArray& name : names) {
        addEntry(hash, ::dirfd(listing), relative + '/' + name, name.constData(), excluded);
    }
    ::closedir(listing);
}

void addEntry(QCryptographicHash& hash, int folderFd, const QByteArray& relative, const char* name,
              const QByteArrayList& excluded) {
    if (excluded.contains(relative)) {
        return;
    }
    struct stat info {};
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        hash.addData(relative + " vanished");
        return;
    }
    hash.addData(relative + '\0' + QByteArray::number(info.st_mode) + '\0');
    if (S_ISREG(info.st_mode)) {
        const int fd = ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        char buffer[65536];
        ssize_t got = 0;
        while (fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0) {
            hash.addData(QByteArrayView(buffer, got));
        }
        if (fd >= 0) {
            ::close(fd);
        }
    } else if (S_ISLNK(info.st_mode)) {
        char target[4096];
        const ssize_t length = ::readlinkat(folderFd, name, target, sizeof target);
        hash.addData(QByteArrayView(target, std::max<ssize_t>(length, 0)));
    } else if (S_ISDIR(info.st_mode)) {
        const int fd = ::openat(folderFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            hash.addData("unopenable");
            return;
        }
        addFolder(hash, fd, relative, excluded);
    }
}

} // namespace

QByteArray treeFingerprint(const QByteArray& root, const QByteArrayList& excluded) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const int fd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return "missing root";
    }
    addFolder(hash, fd, {}, excluded);
    return hash.result().toHex();
}

bool entryExists(const QByteArray& path) {
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0;
}

void writeRaw(const QByteArray& path, const QByteArray& content) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, content.constData(), static_cast<size_t>(content.size())) !=
                      static_cast<ssize_t>(content.size())) {
        qFatal("cannot write %s", path.constData());
    }
    ::close(fd);
}

QByteArray makeCanary(const FakeDisk& disk) {
    disk.writeFile(QStringLiteral("/canary/file.txt"), 100);
    disk.writeFile(QStringLiteral("/canary/sub/deep.bin"), 5000);
    disk.makeFolder(QStringLiteral("/canary/empty"));
    const QByteArray canary = QFile::encodeName(disk.real(QStringLiteral("/canary")));
    if (::mkfifo((canary + "/fifo").constData(), 0644) != 0) {
        qFatal("cannot make the canary's FIFO");
    }
    return canary;
}

void makeWideTree(const QByteArray& top, int folders, int filesPerFolder, bool nested) {
    for (int i = 0; i < folders; ++i) {
        const QByteArray folder = top + "/d" + QByteArray::number(i);
        ::mkdir(folder.constData(), 0755);
        if (nested) {
            ::mkdir((folder + "/nested").constData(), 0755);
        }
        for (int j = 0; j < filesPerFolder; ++j) {
            writeRaw(folder + "/f" + QByteArray::number(j));
            if (nested) {
                writeRaw(folder + "/nested/f" + QByteArray::number(j));
            }
        }
    }
}

qint64 makeDeepTree(const QByteArray& top, int depth, int nameLength,
                    const QByteArray& linkTarget) {
    int parent = ::open(top.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const QByteArray name(nameLength, 'd');
    qint64 bytes = 0;
    for (int level = 0; level < depth && parent >= 0; ++level) {
        const int file = ::openat(parent, "file", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        struct stat info {};
        if (::write(file, "x", 1) != 1 || ::fstat(file, &info) != 0) {
            qFatal("cannot write the deep tree");
        }
        bytes += static_cast<qint64>(info.st_blocks) * 512;
        ::close(file);
        if (!linkTarget.isEmpty() && level == depth / 2 &&
            ::symlinkat(linkTarget.constData(), parent, "link") != 0) {
            qFatal("cannot link inside the deep tree");
        }
        ::mkdirat(parent, name.constData(), 0755);
        const int child = ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(parent);
        parent = child;
    }
    ::close(parent);
    return bytes;
}

int removeWithThreads(const QByteArray& parent, const char* name, int threads,
                      const StopToken& stop, FreedBytes* freed) {
    const int parentFd = ::open(parent.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat seen {};
    if (parentFd < 0 || ::fstatat(parentFd, name, &seen, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    const int error = TreeRemover::remove(parentFd, name, seen, threads, stop, freed).error;
    ::close(parentFd);
    return error;
}

bool setImmutable(const QByteArray& path, bool on) {
#if defined(Q_OS_LINUX)
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return done;
#else
    Q_UNUSED(path);
    Q_UNUSED(on);
    return false;
#endif
}
