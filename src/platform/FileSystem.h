#pragma once

#include "platform/StopToken.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

struct stat;

// The one layer through which the logic reaches the disk. Callers speak in absolute logical paths
// ("/Library/Caches", home + "/.npm"); a rooted file system resolves them below a chosen folder so
// that tests see a whole fake disk exactly as a user's would look. Instances are immutable and may
// be used from any thread.
class FileSystem {
public:
    virtual ~FileSystem();

    // The running system: paths are what they say and the home folder is the user's.
    static std::shared_ptr<FileSystem> system();
    // Every absolute path resolves below `root`; `home` is a logical path inside it.
    static std::shared_ptr<FileSystem> rooted(const QString& root, const QString& home);

    // The user's home folder without a trailing separator. Empty when the platform gives none that
    // is usable (empty, relative or "/"): home-based rules then find nothing instead of scanning
    // folders at the top of the disk.
    virtual QString homePath() const;

    // True when a file or folder exists at the path; a link counts when its target exists.
    virtual bool fileExists(const QString& path) const;

    // Names of the entries directly inside a folder, hidden ones included, unsorted; nothing when
    // the folder is missing or unreadable. Names that are not valid UTF-8 are left out: they cannot
    // be named exactly as text.
    virtual std::optional<QStringList> contentsOfDirectory(const QString& path) const;

    // Bytes allocated by everything below a folder: hidden entries and hidden folders are passed
    // over, links are never followed, unreadable entries are left out. A missing path, a plain file
    // or a link measures 0. Blocking: never call it on the GUI thread.
    // A stop request ends the walk between two entries; the partial figure it then returns means
    // nothing and is to be dropped.
    virtual qint64 allocatedSizeOfTree(const QString& path, const StopToken& stop = {}) const;

    // Removes the item at `path`: a folder with everything below it, anything else on its own. A
    // symbolic link is removed as a link, wherever it points, at the top as anywhere below; FIFOs
    // and sockets are unlinked without being opened. Every deletion of the program goes through
    // here, so it refuses, before touching anything, what no cleanup may ever remove: a path that
    // is not plainly absolute (empty, relative, with ".", ".." or empty components), the root,
    // anything directly under it, a few system folders below it, the home folder and its
    // ancestors, also when a link in the path leads to one of them by another name.
    // Returns nothing when the item is gone; otherwise the description of the first error. A
    // removal that fails part-way goes on with whatever it can remove and leaves the rest.
    // Blocking: never call it on the GUI thread.
    // A stop request ends the removal between entries: what is not yet removed stays, and the
    // result is then the stop's own error (ECANCELED).
    virtual std::optional<QString> removeItem(const QString& path,
                                              const StopToken& stop = {}) const;

    // Creates a folder at the path and every missing folder above it. True when a folder is there
    // afterwards.
    virtual bool createDirectory(const QString& path) const;

    // Joins a folder path and one entry name with exactly one "/".
    static QString appendingPathComponent(const QString& folder, const QString& name);

protected:
    FileSystem(QByteArray root, QString home);

    // Where a logical path lives on the real disk; nothing for a path that is not absolute.
    std::optional<QByteArray> physicalPath(const QString& path) const;

private:
    // Why `path` may not be removed, judged on its text alone; nothing when it may.
    std::optional<QString> refusalOf(const QString& path) const;
    // Whether the entry seen in the open folder `parentFd` is a protected folder reached by
    // another name, or lies directly under the root.
    bool isProtectedEntry(int parentFd, const struct stat& entry) const;

    QByteArray m_root;
    QString m_home;
};
