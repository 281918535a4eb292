#include "platform/FileSystem.h"

#include "platform/TreeWalker.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

// A name is listed only when it decodes as UTF-8 and encodes back to the same bytes, so that
// joining it to a path names the same entry again.
std::optional<QString> exactName(const char* bytes) {
    const QByteArrayView raw(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString name = decoder(raw);
    if (decoder.hasError() || name.toUtf8() != raw) {
        return std::nullopt;
    }
    return name;
}

class SystemFileSystem final : public FileSystem {
public:
    SystemFileSystem()
        : FileSystem({}, QDir::homePath()) {}
};

class RootedFileSystem final : public FileSystem {
public:
    RootedFileSystem(QByteArray root, QString home)
        : FileSystem(std::move(root), std::move(home)) {}
};

} // namespace

FileSystem::FileSystem(QByteArray root, QString home)
    : m_root(std::move(root))
    , m_home(std::move(home)) {
    while (m_root.endsWith('/')) {
        m_root.chop(1);
    }
}

FileSystem::~FileSystem() = default;

std::shared_ptr<FileSystem> FileSystem::system() {
    static const std::shared_ptr<FileSystem> instance = std::make_shared<SystemFileSystem>();
    return instance;
}

std::shared_ptr<FileSystem> FileSystem::rooted(const QString& root, const QString& home) {
    return std::make_shared<RootedFileSystem>(QFile::encodeName(root), home);
}

QString FileSystem::homePath() const {
    QString home = m_home;
    while (home.size() > 1 && home.endsWith(QLatin1Char('/'))) {
        home.chop(1);
    }
    if (!home.startsWith(QLatin1Char('/')) || home == QLatin1String("/")) {
        return {};
    }
    return home;
}

std::optional<QByteArray> FileSystem::physicalPath(const QString& path) const {
    if (!path.startsWith(QLatin1Char('/'))) {
        return std::nullopt;
    }
    return m_root + QFile::encodeName(path);
}

bool FileSystem::fileExists(const QString& path) const {
    const auto physical = physicalPath(path);
    struct stat info {};
    return physical && ::stat(physical->constData(), &info) == 0;
}

std::optional<QStringList> FileSystem::contentsOfDirectory(const QString& path) const {
    const auto physical = physicalPath(path);
    if (!physical) {
        return std::nullopt;
    }
    DIR* folder = ::opendir(physical->constData());
    if (folder == nullptr) {
        return std::nullopt;
    }
    QStringList names;
    while (const dirent* entry = ::readdir(folder)) {
        const char* name = entry->d_name;
        if (qstrcmp(name, ".") == 0 || qstrcmp(name, "..") == 0) {
            continue;
        }
        if (auto text = exactName(name)) {
            names.append(std::move(*text));
        }
    }
    ::closedir(folder);
    return names;
}

qint64 FileSystem::allocatedSizeOfTree(const QString& path) const {
    const auto physical = physicalPath(path);
    if (!physical) {
        return 0;
    }
    const int top =
        ::open(physical->constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (top < 0) {
        return 0;
    }
    return TreeWalker::allocatedSize(top);
}

QString FileSystem::appendingPathComponent(const QString& folder, const QString& name) {
    QString joined = folder;
    while (joined.endsWith(QLatin1Char('/'))) {
        joined.chop(1);
    }
    QStringView rest(name);
    while (rest.startsWith(QLatin1Char('/'))) {
        rest = rest.mid(1);
    }
    return joined + QLatin1Char('/') + rest.toString();
}
