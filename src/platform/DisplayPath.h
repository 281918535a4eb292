#pragma once

#include <QString>

// A path as the program shows it (in a row, in a failure): inside the home folder it starts with
// "~", elsewhere it is unchanged. Only whole path components count, so with the home folder
// /Users/al the path /Users/alice/x stays as it is. An empty `homePath` (no usable home folder)
// abbreviates nothing.
QString displayPath(const QString& path, const QString& homePath);
