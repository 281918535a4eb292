#include "TreeFingerprint.h"

#include <QCryptographicHash>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
