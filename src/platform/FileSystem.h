#pragma once

#include "platform/FolderSearch.h"
#include "platform/RemovalFailure.h"
#include "platform/StopToken.h"

#include <QByteArray>
#include <QHash>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

struct stat;
class FreedBytes;

// What a size walk counts below a folder.
enum class SizeMeasure {
    // The allocated bytes of the files, leaving out names that begin with "." and what lies below
    // them: folders add nothing, a file counts at each of its links, and mounted folders are
    // walked like any other.
    visibleFiles,
    // What removing everything below the folder frees (removeItem counts it the same way): every
    // entry, hidden ones too, and each folder's own blocks, as `du` counts them, but not the
    // measured folder's own block (a cleanup makes most folders again); nothing on another mount,
    // which a removal leaves alone; and a file with several links once, and only when all of them
    // lie below the folder (a package store's files linked into a project free nothing).
    whole,
};

// The one layer through which the logic reaches the disk. Callers speak in absolute logical paths
// ("/Library/Caches", home + "/.npm"); a rooted file system resolves them below a chosen folder so
// that tests see a whole fake disk exactly as a user's would look. Instances are immutable and may
// be used from any thread.
class FileSystem {
public:
    virtual ~FileSystem();

    // The running system: paths are what they say and the home folder is the user's.
    static std::shared_ptr<FileSystem> system();
    // Every absolute path resolves below `root`; `home` is a logical path inside it, and
    // `environment` is all the environment the system has, each value the bytes the system would
    // hold.
    static std::shared_ptr<FileSystem> rooted(const QString& root, const QString& home,
                                              QHash<QString, QByteArray> environment = {});

    // The user's home folder without a trailing separator. Empty when the platform gives none that
    // is usable (empty, relative or "/"): home-based rules then find nothing instead of scanning
    // folders at the top of the disk.
    virtual QString homePath() const;

    // The value of an environment variable of the system, empty when it is not set. Some tools let
    // their users move their folders this way. Empty too when its bytes are not valid UTF-8: read
    // as text they would name another folder than the tool uses.
    QString environmentVariable(const QString& name) const;
    // All of that environment, for a program asked something on the system's behalf: a container
    // engine finds its daemon, its settings and its own helpers through it.
    virtual QProcessEnvironment processEnvironment() const;

    // Where the program `name` that the environment's PATH finds first lies on the real disk, to
    // start it; empty when no absolute folder of PATH holds an executable file of that name.
    QString executablePath(const QString& name) const;

    // True when a file or folder exists at the path; a link counts when its target exists.
    virtual bool fileExists(const QString& path) const;
    // True when anything is there under the path's last name, a link whether or not its target
    // exists.
    bool entryExists(const QString& path) const;
    // True when the path's last name is a symbolic link (links in the folders above it are
    // followed).
    bool isSymbolicLink(const QString& path) const;
    // The user id of whoever owns what the path reaches once every link is resolved; nothing when
    // nothing is there.
    virtual std::optional<uint> ownerOf(const QString& path) const;

    // Names of the entries directly inside a folder, hidden ones included, unsorted; nothing when
    // the folder is missing or unreadable. Names that are not valid UTF-8 are left out: they cannot
    // be named exactly as text.
    virtual std::optional<QStringList> contentsOfDirectory(const QString& path) const;

    // Bytes allocated below a folder, counted as `measure` says; links are never followed and
    // unreadable entries are left out. A missing path, a plain file or a link measures 0.
    // Blocking: never call it on the GUI thread.
    // A stop request ends the walk between two entries; the partial figure it then returns means
    // nothing and is to be dropped.
    virtual qint64 allocatedSizeOfTree(const QString& path, const StopToken& stop = {},
                                       SizeMeasure measure = SizeMeasure::visibleFiles) const;

    // Walks down from the folder `path` (FolderSearch) where `guide` leads, starting with
    // `context`, never into a folder that one of `skipped` reaches (links in them resolved) nor
    // into a network or FUSE file system mounted below `path`. Does nothing when `path` cannot be
    // opened. Blocking: never call it on the GUI thread.
    void searchFolders(const QString& path, FolderSearch::Guide& guide,
                       FolderSearch::Context context, const QStringList& skipped,
                       const StopToken& stop = {}) const;

    // True when `path` names, once every link in it is resolved, the root, the home folder or a
    // folder above it, each recognised by device and inode as the removal guard recognises them
    // (rule 7 below). False when nothing is there.
    bool isHomeOrAbove(const QString& path) const;

    // The device and inode of the folder `path` reaches and of every folder above that one, once
    // every link in it is resolved, innermost first; empty when nothing is there. Two paths reach
    // the same folder, or one lies inside the other, whatever links or mounts they go through.
    using Identity = std::pair<quint64, quint64>;
    QList<Identity> identityChain(const QString& path) const;
    // Whether the folder `inner` is, or lies inside, the folder `outer`, given their identity
    // chains: by identity where both are there, else by how the two paths are written.
    static bool liesWithin(const QString& inner, const QList<Identity>& innerChain,
                           const QString& outer, const QList<Identity>& outerChain);

    // Removes the item at `path`: a folder with everything below it, anything else on its own. A
    // symbolic link is removed as a link, wherever it points, at the top as anywhere below; FIFOs
    // and sockets are unlinked without being opened; a folder mounted anywhere below is left alone.
    // Every deletion of the program goes through here, so before touching anything it refuses
    // (each refusal a kind of RemovalFailure):
    //  - as notPlainPath: a path that is empty, relative, holds ".", ".." or an empty component
    //    (so also a trailing or doubled "/"), holds a NUL, or is text that does not encode to a
    //    file name and back unchanged;
    //  - as protectedLocation, judged on the text (letter case ignored):
    //    1. the root "/";
    //    2. the system folders /private/var, /private/etc, /private/tmp, /usr/local and
    //       /System/Volumes/Data;
    //    3. the home folder and each of its ancestors;
    //    4. outside the home folder, any path with fewer than three components ("/usr/bin",
    //       "/home/other"); inside it, any with fewer than two below it ("~/Documents");
    //  - as protectedLocation too, judged on what the path reaches (links in the folders above
    //    the item are followed, so another name for a folder changes nothing):
    //    5. an item directly in the root or directly in a folder that is directly in the root;
    //    6. an item directly in the home folder;
    //    7. a folder that is the root, one of the system folders of rule 2, the home folder or one
    //       of its ancestors, each recognised by device and inode both as the home path names
    //       them and as they really are once every link in the home path is resolved;
    //    8. anything whose place cannot be checked (the root, the folder holding the item or the
    //       one above it cannot be looked at);
    //  - as mountPoint, judged on what the path reaches once the rules above let it pass:
    //    9. an item that is the root of a mount (a bind mount of a folder of the same disk
    //       included), or a folder on another device than the folder that holds it.
    // Returns nothing when the item is gone; otherwise the refusal, or the first error met (a
    // failure), with the entry where the removal stuck as paths are shown ("~/..." inside the
    // home) and its owner when that is another user. A removal that fails part-way goes on with
    // whatever it can remove and leaves the rest.
    // Blocking: never call it on the GUI thread.
    // A stop request ends the removal between entries: what is not yet removed stays, and the
    // result is then a failure with the stop's own error (ECANCELED).
    // While it removes, it adds to `freed` (when given) the bytes it frees, counted as the whole
    // measure counts them (a file's blocks when its last link goes, a folder's own blocks, never
    // the item's own entry), so that removing a tree that did not change since it was measured
    // frees exactly its figure, and a removal that fails or stops part-way counts what went.
    virtual std::optional<RemovalFailure>
    removeItem(const QString& path, const StopToken& stop = {}, FreedBytes* freed = nullptr) const;

    // What a folder that is removed to be made again empty is to be made with, so that its tools
    // can still use it: the permission bits of the folder (setuid, setgid and sticky included;
    // none for an item that is not a folder, such as a link) and the owner and group of the item.
    struct FolderAttributes {
        std::optional<quint32> mode;
        quint32 owner = 0;
        quint32 group = 0;
    };
    // The attributes of the item at `path`, not following a link there; nothing when nothing is
    // there.
    std::optional<FolderAttributes> folderAttributes(const QString& path) const;

    // Creates a folder at the path and every missing folder above it. True when a folder is there
    // afterwards. The folder it makes at the path itself gets the mode of `as` as it is (the
    // umask takes nothing away) and, when the program runs as root, its owner and group: a cache
    // that root cleans in a user's home comes back the user's. False too when that folder could
    // not be given them. A folder already there is left as it is.
    virtual bool createDirectory(const QString& path,
                                 const std::optional<FolderAttributes>& as = std::nullopt) const;

    // Joins a folder path and one entry name with exactly one "/".
    static QString appendingPathComponent(const QString& folder, const QString& name);

protected:
    FileSystem(QByteArray root, QString home, QHash<QString, QByteArray> environment = {});

    // Where a logical path lives on the real disk; nothing for a path that is not absolute.
    std::optional<QByteArray> physicalPath(const QString& path) const;
    // The bytes of an environment variable as the system holds them; empty when it is not set.
    virtual QByteArray environmentBytes(const QString& name) const;

private:
    // Why `path` may not be removed, judged on its text alone; nothing when it may.
    std::optional<RemovalFailure> refusalOf(const QString& path) const;
    // Why the entry `name` seen in the open folder `parentFd` may not be removed, by what it is or
    // where it really lies, whatever the path called it; nothing when it may.
    std::optional<RemovalFailure> refusalOfEntry(int parentFd, const char* name,
                                                 const struct stat& entry) const;
    // Where the root, the home folder and each folder between them lie on the real disk, both as
    // the home path names them and as they really are once every link in the home path is
    // resolved: a link anywhere in the home path gives its folders a second name.
    QList<QByteArray> rootAndHomeAncestry() const;

    QByteArray m_root;
    QString m_home;
    QHash<QString, QByteArray> m_environment;
};
