// Tree shapes and helpers shared by the sizing and removal benchmarks.
//
// Shapes (the first argument of both benchmarks):
//   own      the benchmark's own shape (each benchmark says which)
//   wide     many folders of a few dozen files: 12,000 folders of 25 files, two levels
//   cacache  npm's content cache: content-v2/sha512/xx/yy/<hash> and index-v5/xx/yy/<hash>,
//            about 200,000 files in about 103,000 folders, one to three files per leaf
//   flat     every file in one folder, as some caches keep their entries
//   deep     chains of 100 nested folders with one file in each, as build trees and
//            node_modules nest, deeper than a walker keeps folders open
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

struct TreeFigures {
    long files = 0;
    long folders = 0;
    long long bytes = 0;
};

class TreeMaker {
public:
    explicit TreeMaker(unsigned largest)
        : m_largest(largest)
        , m_data(largest, 'c') {}

    int openFolder(int parentFd, const std::string& name) {
        if (::mkdirat(parentFd, name.c_str(), 0755) == 0) {
            ++m_figures.folders;
        } else if (errno != EEXIST) {
            std::perror("mkdir");
            std::exit(1);
        }
        const int fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            std::perror("open");
            std::exit(1);
        }
        return fd;
    }

    void file(int folderFd, const std::string& name) {
        const int fd = ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        const auto size = static_cast<std::size_t>(m_largest == 0 ? 0 : next() % (m_largest + 1));
        if (fd < 0 || ::write(fd, m_data.data(), size) != static_cast<ssize_t>(size)) {
            std::perror("write");
            std::exit(1);
        }
        ::close(fd);
        ++m_figures.files;
        m_figures.bytes += static_cast<long long>(size);
    }

    // xorshift64: cheap, and every bit of it is random enough to name files by.
    unsigned next() {
        m_seed ^= m_seed << 13;
        m_seed ^= m_seed >> 7;
        m_seed ^= m_seed << 17;
        return static_cast<unsigned>(m_seed >> 32);
    }

    std::string hexName(int length) {
        static const char digits[] = "0123456789abcdef";
        std::string name;
        for (int i = 0; i < length; ++i) {
            name += digits[next() % 16];
        }
        return name;
    }

    TreeFigures figures() const { return m_figures; }

private:
    unsigned m_largest;
    std::string m_data;
    unsigned long long m_seed = 0x9e3779b97f4a7c15ull;
    TreeFigures m_figures;
};

// Folders of `perFolder` files, `fanOut` to a parent folder, two levels below the top.
inline void buildTwoLevels(TreeMaker& maker, int topFd, long files, long perFolder, long fanOut) {
    for (long made = 0, folder = 0; made < files; ++folder) {
        const int parent = maker.openFolder(topFd, "p" + std::to_string(folder / fanOut));
        const int dir = maker.openFolder(parent, "d" + std::to_string(folder));
        for (long i = 0; i < perFolder && made < files; ++i, ++made) {
            maker.file(dir, "f" + std::to_string(i));
        }
        ::close(dir);
        ::close(parent);
    }
}

// npm's content-addressed cache: both halves keyed by a hash, split 256-way twice.
inline void buildCacache(TreeMaker& maker, int topFd, long files) {
    const int cache = maker.openFolder(topFd, "_cacache");
    const int content = maker.openFolder(cache, "content-v2");
    const int sha = maker.openFolder(content, "sha512");
    const int index = maker.openFolder(cache, "index-v5");
    for (long i = 0; i < files; ++i) {
        const bool isContent = i % 2 == 0;
        const std::string hash = maker.hexName(isContent ? 128 : 64);
        const int first = maker.openFolder(isContent ? sha : index, hash.substr(0, 2));
        const int second = maker.openFolder(first, hash.substr(2, 2));
        maker.file(second, hash.substr(4));
        ::close(second);
        ::close(first);
    }
    for (const int fd : {index, sha, content, cache}) {
        ::close(fd);
    }
}

// Chains of `depth` nested folders below the top, one file in each, until `files` are made.
inline void buildDeep(TreeMaker& maker, int topFd, long files, int depth = 100) {
    for (long made = 0, chain = 0; made < files; ++chain) {
        int parent = maker.openFolder(topFd, "c" + std::to_string(chain));
        for (int level = 0; level < depth && made < files; ++level, ++made) {
            maker.file(parent, "f");
            const int child = maker.openFolder(parent, "d");
            ::close(parent);
            parent = child;
        }
        ::close(parent);
    }
}

// Empties the page, dentry and inode caches. Only root may; false otherwise.
inline bool dropCaches() {
    if (::geteuid() != 0) {
        return false;
    }
    ::sync();
    std::ofstream drop("/proc/sys/vm/drop_caches");
    drop << "3\n";
    drop.flush();
    return static_cast<bool>(drop);
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace bench
