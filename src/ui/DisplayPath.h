#pragma once

#include <QString>

// The path as a row shows it: inside the home folder it starts with "~", elsewhere it is unchanged.
// Only whole path components count, so with the home folder /Users/al the path /Users/alice/x
// stays as it is. An empty `homePath` (no usable home folder) abbreviates nothing.
QString displayPath(const QString& path, const QString& homePath);
