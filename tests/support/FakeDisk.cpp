#include "support/FakeDisk.h"

#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString makeTemporaryRoot() {
    QTemporaryDir dir;
    if (!dir.isValid()) {
        qFatal("FakeDisk: no temporary folder");
    }
    // Removed by the destructor: trees deeper than PATH_MAX or with names that are not text
    // defeat QDir's removal.
    dir.setAutoRemove(false);
    return dir.path();
}

int createFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        qFatal("FakeDisk: cannot create %s", qPrintable(path));
    }
    return fd;
}

} // namespace

FakeDisk::FakeDisk(QString home)
    : FakeDisk(std::move(home), makeTemporaryRoot()) {
    m_persistent = false;
}

FakeDisk::FakeDisk(QString home, const QString& persistentRoot)
    : m_root(QDir(persistentRoot).absolutePath())
    , m_home(std::move(home))
    , m_persistent(true) {
    makeFolder(m_home);
}

FakeDisk::~FakeDisk() {
    if (m_persistent) {
        return;
    }
    QProcess::execute(QStringLiteral("/bin/chmod"),
                      {QStringLiteral("-R"), QStringLiteral("u+rwx"), m_root});
    QProcess::execute(QStringLiteral("/bin/rm"), {QStringLiteral("-rf"), m_root});
}

QString FakeDisk::real(const QString& logical) const {
    return m_root + logical;
}

std::shared_ptr<FileSystem> FakeDisk::fileSystem() const {
    return FileSystem::rooted(m_root, m_home);
}

void FakeDisk::makeFolder(const QString& logical) const {
    if (!QDir().mkpath(real(logical))) {
        qFatal("FakeDisk: cannot create %s", qPrintable(logical));
    }
}

qint64 FakeDisk::writeFile(const QString& logical, qint64 bytes) const {
    const QString path = real(logical);
    const int fd = createFile(path);
    const QByteArray block(64 * 1024, 'k');
    for (qint64 left = bytes; left > 0;) {
        const auto chunk = static_cast<size_t>(std::min<qint64>(left, block.size()));
        const ssize_t written = ::write(fd, block.constData(), chunk);
        if (written <= 0) {
            qFatal("FakeDisk: cannot write %s", qPrintable(path));
        }
        left -= written;
    }
    ::close(fd);
    return allocatedBytes(path);
}

qint64 FakeDisk::allocateFile(const QString& logical, qint64 bytes) const {
    const QString path = real(logical);
    const int fd = createFile(path);
    if (bytes > 0 && ::posix_fallocate(fd, 0, static_cast<off_t>(bytes)) != 0) {
        qFatal("FakeDisk: cannot allocate %s", qPrintable(path));
    }
    ::close(fd);
    return allocatedBytes(path);
}

void FakeDisk::makeLink(const QString& logical, const QString& target) const {
    const QString path = real(logical);
    QDir().mkpath(QFileInfo(path).path());
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) !=
        0) {
        qFatal("FakeDisk: cannot link %s", qPrintable(logical));
    }
}

void FakeDisk::makeHardLink(const QString& logical, const QString& existing) const {
    QDir().mkpath(QFileInfo(real(logical)).path());
    if (::link(QFile::encodeName(real(existing)).constData(),
               QFile::encodeName(real(logical)).constData()) != 0) {
        qFatal("FakeDisk: cannot link %s", qPrintable(logical));
    }
}

qint64 FakeDisk::allocatedBytes(const QString& realPath) {
    struct stat info {};
    if (::lstat(QFile::encodeName(realPath).constData(), &info) != 0) {
        return 0;
    }
    return static_cast<qint64>(info.st_blocks) * 512;
}
