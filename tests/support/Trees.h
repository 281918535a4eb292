#pragma once

#include "platform/StopToken.h"

#include <QByteArray>
#include <QByteArrayList>

class FakeDisk;
class FreedBytes;

// A digest of everything below a real folder that a removal must never change: names, kinds,
// permissions, file contents and link targets, found without following links. Times and link
// counts are left out (unlinking a hard link elsewhere changes those legitimately). Entries whose
// path relative to `root` is listed in `excluded` are left out with everything below them.
QByteArray treeFingerprint(const QByteArray& root, const QByteArrayList& excluded = {});

// True when an entry exists at the real path, without following a final link.
bool entryExists(const QByteArray& path);

// A small file of `content` at a real path, made with plain system calls to stay fast.
void writeRaw(const QByteArray& path, const QByteArray& content = "x");

// What a faulty removal could reach outside its target: "/canary" at the top of the fake disk
// with a file, a nested file, an empty folder and a FIFO. Returns its real path.
QByteArray makeCanary(const FakeDisk& disk);

// `folders` folders "d<i>" below the real folder `top`, each with `filesPerFolder` one-byte files
// "f<j>" (and, with `nested`, as many again in "d<i>/nested").
void makeWideTree(const QByteArray& top, int folders, int filesPerFolder, bool nested = false);

// A chain of `depth` folders with `nameLength`-character names below the real folder `top`, made
// relative to each parent so that its full path may be far longer than PATH_MAX; a one-byte file
// at every level, and at the middle level a link to `linkTarget` when one is given. Returns the
// bytes the files occupy.
qint64 makeDeepTree(const QByteArray& top, int depth, int nameLength,
                    const QByteArray& linkTarget = {});

// Removes the entry `name` of the real folder `parent` through the removal behind
// FileSystem::removeItem, with a chosen number of threads, counting into `freed` what it frees;
// returns its error number (0: gone).
int removeWithThreads(const QByteArray& parent, const char* name, int threads,
                      const StopToken& stop = {}, FreedBytes* freed = nullptr);

// Sets or clears the immutable flag of a real file (Linux, as root, on a file system that has it);
// false when that is impossible here.
bool setImmutable(const QByteArray& path, bool on);
