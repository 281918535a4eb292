#include "platform/FileSystem.h"

#include "platform/DisplayPath.h"
#include "platform/FileName.h"
#include "platform/MountRoot.h"
#include "platform/RemoteMounts.h"
#include "platform/walk/ListFolder.h"
#include "platform/walk/TreeRemover.h"
#include "platform/walk/TreeWalker.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

// System folders below the top level that must survive any cleanup: where macOS keeps the real
// top-level folders, and the data volume that holds every user's files. Everything directly under
// the root is protected as a whole.
constexpr std::array protectedFolders{
    "/private/var", "/private/etc", "/private/tmp", "/usr/local", "/System/Volumes/Data",
};
// Components a removable path has at least: below the root, or below the home folder for a path
// inside it.
constexpr qsizetype minimumDepthOutsideHome = 3;
constexpr qsizetype minimumDepthInHome = 2;

// The name the system has for `user`; empty when it has none.
QString userName(uid_t user) {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr) {
        return QString::fromLocal8Bit(found->pw_name);
    }
    return {};
}

// The guard's answer for a path it keeps away from: nothing was touched.
RemovalFailure refused(RemovalFailure::Kind kind) {
    return {.kind = kind};
}

// macOS volumes usually ignore letter case, so "/users" is "/Users" there.
bool samePath(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool sameEntry(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether `entry` is one of `folders` (real paths that need not exist).
bool isOneOf(const struct stat& entry, const QList<QByteArray>& folders) {
    for (const QByteArray& folder : folders) {
        struct stat info {};
        if (::stat(folder.constData(), &info) == 0 && sameEntry(info, entry)) {
            return true;
        }
    }
    return false;
}

class SystemFileSystem final : public FileSystem {
public:
    SystemFileSystem()
        : FileSystem({}, QDir::homePath()) {}

    QByteArray environmentBytes(const QString& name) const override {
        return qgetenv(name.toLocal8Bit().constData());
    }
    QProcessEnvironment processEnvironment() const override {
        return QProcessEnvironment::systemEnvironment();
    }
};

class RootedFileSystem final : public FileSystem {
public:
    RootedFileSystem(QByteArray root, QString home, QHash<QString, QByteArray> environment)
        : FileSystem(std::move(root), std::move(home), std::move(environment)) {}
};

} // namespace

FileSystem::FileSystem(QByteArray root, QString home, QHash<QString, QByteArray> environment)
    : m_root(std::move(root))
    , m_home(std::move(home))
    , m_environment(std::move(environment)) {
    while (m_root.endsWith('/')) {
        m_root.chop(1);
    }
}

FileSystem::~FileSystem() = default;

std::shared_ptr<FileSystem> FileSystem::system() {
    static const std::shared_ptr<FileSystem> instance = std::make_shared<SystemFileSystem>();
    return instance;
}

std::shared_ptr<FileSystem> FileSystem::rooted(const QString& root, const QString& home,
                                               QHash<QString, QByteArray> environment) {
    return std::make_shared<RootedFileSystem>(QFile::encodeName(root), home,
                                              std::move(environment));
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

QString FileSystem::environmentVariable(const QString& name) const {
    return exactName(environmentBytes(name)).value_or(QString());
}

QByteArray FileSystem::environmentBytes(const QString& name) const {
    return m_environment.value(name);
}

QProcessEnvironment FileSystem::processEnvironment() const {
    QProcessEnvironment environment;
    for (auto entry = m_environment.cbegin(); entry != m_environment.cend(); ++entry) {
        environment.insert(entry.key(), QString::fromLocal8Bit(entry.value()));
    }
    return environment;
}

QString FileSystem::executablePath(const QString& name) const {
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) {
        return {};
    }
    const QStringList folders =
        environmentVariable(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& folder : folders) {
        // A relative entry would depend on the folder the program was started in.
        const auto physical = physicalPath(appendingPathComponent(folder, name));
        struct stat info {};
        if (physical && ::stat(physical->constData(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(physical->constData(), X_OK) == 0) {
            return QFile::decodeName(*physical);
        }
    }
    return {};
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

bool FileSystem::entryExists(const QString& path) const {
    const auto physical = physicalPath(path);
    struct stat info {};
    return physical && ::lstat(physical->constData(), &info) == 0;
}

bool FileSystem::isSymbolicLink(const QString& path) const {
    const auto physical = physicalPath(path);
    struct stat info {};
    return physical && ::lstat(physical->constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::optional<uint> FileSystem::ownerOf(const QString& path) const {
    const auto physical = physicalPath(path);
    struct stat info {};
    if (!physical || ::stat(physical->constData(), &info) != 0) {
        return std::nullopt;
    }
    return info.st_uid;
}

std::optional<QStringList> FileSystem::contentsOfDirectory(const QString& path) const {
    const auto physical = physicalPath(path);
    if (!physical) {
        return std::nullopt;
    }
    // A link to a folder is listed as the folder, as everywhere a path is followed.
    const int folder =
        ::open(physical->constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (folder < 0) {
        return std::nullopt;
    }
    QStringList names;
    // An error part-way leaves the names read so far: what the rules find there is still there.
    listFolder(folder, [&names](const char* name, unsigned char) {
        if (auto text = exactName(name)) {
            names.append(std::move(*text));
        }
    });
    ::close(folder);
    return names;
}

qint64 FileSystem::allocatedSizeOfTree(const QString& path, const StopToken& stop,
                                       SizeMeasure measure) const {
    const auto physical = physicalPath(path);
    if (!physical) {
        return 0;
    }
    const int top =
        ::open(physical->constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (top < 0) {
        return 0;
    }
    return TreeWalker::allocatedSize(top, stop, measure == SizeMeasure::whole);
}

void FileSystem::searchFolders(const QString& path, FolderSearch::Guide& guide,
                               FolderSearch::Context context, const QStringList& skipped,
                               const StopToken& stop) const {
    const auto physical = physicalPath(path);
    char* resolved = physical ? ::realpath(physical->constData(), nullptr) : nullptr;
    if (resolved == nullptr) {
        return;
    }
    // The search never follows a link, so below the top a folder has one name: the part of its
    // real path after the top's.
    const std::string top = std::string(resolved) + '/';
    ::free(resolved);
    std::unordered_set<std::string> below;
    const auto keepOut = [&](const std::string& real) {
        if (real.size() > top.size() && real.starts_with(top)) {
            below.insert(real.substr(top.size()));
        }
    };
    for (const QString& folder : skipped) {
        const auto skippedPhysical = physicalPath(folder);
        if (char* real =
                skippedPhysical ? ::realpath(skippedPhysical->constData(), nullptr) : nullptr) {
            keepOut(real);
            ::free(real);
        }
    }
    for (const std::string& mountPoint : remoteMountPoints()) {
        keepOut(mountPoint);
    }
    const int fd =
        ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        FolderSearch::run(fd, guide, context, below, stop);
    }
}

bool FileSystem::isHomeOrAbove(const QString& path) const {
    const auto physical = physicalPath(path);
    struct stat info {};
    if (!physical || ::stat(physical->constData(), &info) != 0) {
        return false;
    }
    return isOneOf(info, rootAndHomeAncestry());
}

QList<FileSystem::Identity> FileSystem::identityChain(const QString& path) const {
    QList<Identity> chain;
    const auto physical = physicalPath(path);
    char* resolved = physical ? ::realpath(physical->constData(), nullptr) : nullptr;
    if (resolved == nullptr) {
        return chain;
    }
    // Without links, each folder above the resolved one is its parent by name.
    for (QByteArray folder(resolved);; folder.truncate(folder.lastIndexOf('/'))) {
        struct stat info {};
        if (::stat(folder.isEmpty() ? "/" : folder.constData(), &info) == 0) {
            chain.append({info.st_dev, info.st_ino});
        }
        if (folder.isEmpty()) {
            break;
        }
    }
    ::free(resolved);
    return chain;
}

bool FileSystem::liesWithin(const QString& inner, const QList<Identity>& innerChain,
                            const QString& outer, const QList<Identity>& outerChain) {
    if (!innerChain.isEmpty() && !outerChain.isEmpty()) {
        return innerChain.contains(outerChain.first());
    }
    return inner == outer || inner.startsWith(outer + QLatin1Char('/'));
}

std::optional<RemovalFailure> FileSystem::refusalOf(const QString& path) const {
    if (path == QLatin1String("/")) {
        return refused(RemovalFailure::Kind::protectedLocation);
    }
    // A NUL would cut the path short, and text that does not survive encoding would name another
    // entry than the one asked for.
    if (!path.startsWith(QLatin1Char('/')) || path.contains(QChar(u'\0')) ||
        QFile::decodeName(QFile::encodeName(path)) != path) {
        return refused(RemovalFailure::Kind::notPlainPath);
    }
    const QList<QStringView> components = QStringView(path).mid(1).split(QLatin1Char('/'));
    for (QStringView component : components) {
        if (component.isEmpty() || component == u"." || component == u"..") {
            return refused(RemovalFailure::Kind::notPlainPath);
        }
    }
    for (const char* folder : protectedFolders) {
        if (samePath(path, QString::fromLatin1(folder))) {
            return refused(RemovalFailure::Kind::protectedLocation);
        }
    }
    // Nothing the catalogue names is shallower than this; whatever is must be a system folder, a
    // user's home, or the user's own documents.
    qsizetype depth = components.size();
    qsizetype minimumDepth = minimumDepthOutsideHome;
    const QString home = homePath();
    if (!home.isEmpty()) {
        if (home.size() > path.size() && home.at(path.size()) == u'/' &&
            samePath(QStringView(home).left(path.size()), path)) {
            return refused(
                RemovalFailure::Kind::protectedLocation); // an ancestor of the home folder
        }
        if (samePath(QStringView(path).left(home.size()), home) &&
            (path.size() == home.size() || path.at(home.size()) == u'/')) {
            depth = QStringView(path).mid(home.size()).count(QLatin1Char('/'));
            minimumDepth = minimumDepthInHome;
        }
    }
    if (depth < minimumDepth) {
        return refused(RemovalFailure::Kind::protectedLocation);
    }
    return std::nullopt;
}

std::optional<RemovalFailure> FileSystem::refusalOfEntry(int parentFd, const char* name,
                                                         const struct stat& entry) const {
    const RemovalFailure refusal = refused(RemovalFailure::Kind::protectedLocation);
    const QByteArray root = m_root.isEmpty() ? QByteArrayLiteral("/") : m_root;
    struct stat rootInfo {};
    struct stat parentInfo {};
    struct stat grandparentInfo {};
    if (::stat(root.constData(), &rootInfo) != 0 || ::fstat(parentFd, &parentInfo) != 0 ||
        ::fstatat(parentFd, "..", &grandparentInfo, 0) != 0) {
        return refusal;
    }
    // The depth rule again, by what the path reaches rather than by how it is written.
    if (sameEntry(rootInfo, parentInfo) || sameEntry(rootInfo, grandparentInfo)) {
        return refusal;
    }
    const QString home = homePath();
    if (!home.isEmpty()) {
        const QByteArray named = m_root + QFile::encodeName(home);
        struct stat homeInfo {};
        if (::stat(named.constData(), &homeInfo) == 0 && sameEntry(homeInfo, parentInfo)) {
            return refusal; // directly inside the home folder
        }
    }
    if (S_ISDIR(entry.st_mode)) {
        QList<QByteArray> guarded = rootAndHomeAncestry();
        for (const char* folder : protectedFolders) {
            guarded.append(m_root + folder);
        }
        if (isOneOf(entry, guarded)) {
            return refusal;
        }
    }
    // Said apart: a cache folder the user mounted a disk on is no system folder, and the user can
    // do something about it.
    if (isMountRoot(parentFd, name, entry, parentInfo.st_dev)) {
        return refused(RemovalFailure::Kind::mountPoint);
    }
    return std::nullopt;
}

QList<QByteArray> FileSystem::rootAndHomeAncestry() const {
    QList<QByteArray> folders{m_root.isEmpty() ? QByteArrayLiteral("/") : m_root};
    QString home = homePath();
    if (home.isEmpty()) {
        return folders;
    }
    if (char* resolved = ::realpath((m_root + QFile::encodeName(home)).constData(), nullptr)) {
        for (QByteArray real(resolved); real.size() > 1; real.truncate(real.lastIndexOf('/'))) {
            folders.append(real);
        }
        ::free(resolved);
    }
    while (home.size() > 1) {
        folders.append(m_root + QFile::encodeName(home));
        home.truncate(home.lastIndexOf(QLatin1Char('/')));
    }
    return folders;
}

std::optional<RemovalFailure> FileSystem::removeItem(const QString& path, const StopToken& stop,
                                                     FreedBytes* freed) const {
    if (auto refusal = refusalOf(path)) {
        return refusal;
    }
    const QByteArray physical = m_root + QFile::encodeName(path);
    const qsizetype slash = physical.lastIndexOf('/');
    const QByteArray parent = slash == 0 ? QByteArrayLiteral("/") : physical.left(slash);
    const QByteArray name = physical.mid(slash + 1);
    // Links in the folders above the item are followed, as in any path; the item itself is never.
    const int parentFd =
        ::open(parent.constData(), O_RDONLY | O_DIRECTORY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (parentFd < 0) {
        return RemovalFailure{.error = errno};
    }
    struct stat seen {};
    TreeRemover::Result result;
    if (::fstatat(parentFd, name.constData(), &seen, AT_SYMLINK_NOFOLLOW) != 0) {
        result.error = errno;
    } else if (auto refusal = refusalOfEntry(parentFd, name.constData(), seen)) {
        ::close(parentFd);
        return refusal;
    } else {
        result = TreeRemover::remove(parentFd, name.constData(), seen, 0, stop, freed);
    }
    ::close(parentFd);
    if (result.error == 0) {
        return std::nullopt;
    }
    RemovalFailure failure{.error = result.error};
    if (!result.entry) {
        return failure;
    }
    // The entry is named below the folder holding the item, as the caller named that folder.
    QString entry = path.left(path.lastIndexOf(QLatin1Char('/')));
    if (!result.entry->empty()) {
        entry += QLatin1Char('/') + QFile::decodeName(QByteArray::fromStdString(*result.entry));
    }
    failure.entry = displayPath(entry, homePath());
    if (result.owner && *result.owner != ::geteuid()) {
        failure.owner = *result.owner;
        failure.ownerName = userName(*result.owner);
    }
    return failure;
}

std::optional<FileSystem::FolderAttributes>
FileSystem::folderAttributes(const QString& path) const {
    const auto physical = physicalPath(path);
    struct stat info {};
    if (!physical || ::lstat(physical->constData(), &info) != 0) {
        return std::nullopt;
    }
    FolderAttributes attributes{std::nullopt, info.st_uid, info.st_gid};
    if (S_ISDIR(info.st_mode)) {
        attributes.mode = info.st_mode & 07777;
    }
    return attributes;
}

bool FileSystem::createDirectory(const QString& path,
                                 const std::optional<FolderAttributes>& as) const {
    const auto physical = physicalPath(path);
    if (!physical) {
        return false;
    }
    // Top down, like mkdir -p: folders that already exist are passed over.
    const qsizetype last = physical->lastIndexOf('/');
    for (qsizetype slash = physical->indexOf('/', 1); slash >= 0;
         slash = physical->indexOf('/', slash + 1)) {
        if (::mkdir(physical->left(slash).constData(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
    }
    // The folder itself is made and given its attributes through the folder holding it, so that
    // a link put in the way meanwhile cannot lead them elsewhere.
    const QByteArray parent = last <= 0 ? QByteArrayLiteral("/") : physical->left(last);
    const QByteArray name = physical->mid(last + 1);
    const int parentFd =
        ::open(parent.constData(), O_RDONLY | O_DIRECTORY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (parentFd < 0) {
        return false;
    }
    // Private until its attributes are set.
    const bool keepsMode = as && as->mode;
    bool given = true;
    if (::mkdirat(parentFd, name.constData(), keepsMode ? 0700 : 0777) == 0 && as) {
        const int made = ::openat(parentFd, name.constData(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
        given = made >= 0;
        // Owner first: changing it may clear the setgid bit that the mode then sets.
        if (given && ::geteuid() == 0) {
            given = ::fchown(made, as->owner, as->group) == 0;
        }
        if (made >= 0 && keepsMode) {
            given = ::fchmod(made, static_cast<mode_t>(*as->mode)) == 0 && given;
        }
        if (made >= 0) {
            ::close(made);
        }
    }
    struct stat info {};
    const bool isFolder =
        ::fstatat(parentFd, name.constData(), &info, 0) == 0 && S_ISDIR(info.st_mode);
    ::close(parentFd);
    return isFolder && given;
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
