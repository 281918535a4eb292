#pragma once

#include <QByteArray>
#include <QByteArrayList>

// A digest of everything below a real folder that a removal must never change: names, kinds,
// permissions, file contents and link targets, found without following links. Times and link
// counts are left out (unlinking a hard link elsewhere changes those legitimately). Entries whose
// path relative to `root` is listed in `excluded` are left out with everything below them.
QByteArray treeFingerprint(const QByteArray& root, const QByteArrayList& excluded = {});

// True when an entry exists at the real path, without following a final link.
bool entryExists(const QByteArray& path);
