#pragma once

#include <QtGlobal>

#include <sys/stat.h>

#include <array>
#include <cstddef>
#include <mutex>
#include <unordered_map>

// Bytes the file system allocates to an entry. st_blocks counts 512-byte units on every system we
// build for, whatever st_blksize says.
inline qint64 allocatedBytes(const struct stat& info) {
    return static_cast<qint64>(info.st_blocks) * 512;
}

// Files with more than one link, as a walk or a removal meets them. The blocks of such a file are
// freed only when its last link goes, so they count once, when the last of its links is met (a
// walk meets each link once, a removal unlinks each once), and never while a link elsewhere keeps
// the file. Only such files are kept, each until its last link is met: a tree of files with one
// link each costs no memory here. Safe to use from every walker at once.
class LinkTally {
public:
    // Notes one link of the file `info` describes and returns the bytes that count for it now:
    // all of them when it has one link only or this was the last of its links still unmet, else
    // none. Its number of links is the highest any look at it gave, so a link that the removal
    // itself took away before another walker looked cannot make the file count twice.
    qint64 countedBytes(const struct stat& info);

private:
    struct Key {
        dev_t device;
        ino_t inode;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const {
            return std::hash<ino_t>()(key.inode) ^ (std::hash<dev_t>()(key.device) << 1);
        }
    };
    // Narrower than nlink_t: one is kept for every file linked from outside the tree.
    struct Met {
        quint32 links = 0; // the most any look at the file said it has
        quint32 met = 0;
    };
    // Walkers meeting different files rarely wait for each other.
    struct alignas(64) Shard {
        std::mutex mutex;
        std::unordered_map<Key, Met, KeyHash> files;
    };
    std::array<Shard, 16> m_shards;
};
