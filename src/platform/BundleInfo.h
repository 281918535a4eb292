#pragma once

#include <QVariantMap>

// The running program's information dictionary: "CFBundleShortVersionString" (the release version)
// and "CFBundleVersion" (the build number), both strings, compiled in from the build settings. A
// macOS bundle's Info.plist carries the same two values.
QVariantMap bundleInfoDictionary();
