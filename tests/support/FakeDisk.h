#pragma once

#include <QString>

#include <memory>

class FileSystem;

// A whole fake disk in a temporary folder, seen through a rooted file system: tests name logical
// paths ("/Library/...", home() + "/Library/Caches") exactly as a user's disk has them.
class FakeDisk {
public:
    explicit FakeDisk(QString home = QStringLiteral("/Users/u"));
    // A fake disk at a folder of the caller's choice that outlives this object (for tools that
    // hand the disk to another program).
    FakeDisk(QString home, const QString& persistentRoot);
    ~FakeDisk();
    FakeDisk(const FakeDisk&) = delete;
    FakeDisk& operator=(const FakeDisk&) = delete;

    QString home() const { return m_home; }
    QString root() const { return m_root; }
    // Where a logical path lives inside the temporary folder.
    QString real(const QString& logical) const;
    std::shared_ptr<FileSystem> fileSystem() const;

    void makeFolder(const QString& logical) const;
    // A file with `bytes` of real data; returns the bytes it occupies on disk.
    qint64 writeFile(const QString& logical, qint64 bytes) const;
    // A file whose blocks are reserved without writing them (cheap for large sizes); returns the
    // bytes it occupies on disk.
    qint64 allocateFile(const QString& logical, qint64 bytes) const;
    void makeLink(const QString& logical, const QString& target) const;
    // One more name for the file at the logical path `existing`.
    void makeHardLink(const QString& logical, const QString& existing) const;

    // Bytes the real file at `realPath` occupies (st_blocks * 512).
    static qint64 allocatedBytes(const QString& realPath);

private:
    QString m_root;
    QString m_home;
    bool m_persistent = false;
};
