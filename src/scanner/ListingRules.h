#pragma once

#include "model/FolderItem.h"
#include "scanner/RecordTraits.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class ScanRun;

// The finder of locations known by the folder that lists them: every entry of a folder that a
// rule accepts is a location of its own, measured and offered like a fixed one (addIfLarger).
// Each appends what it finds to `found`; a folder that cannot be listed adds nothing.

// Decides whether a listed entry is a candidate, and if so how its record reads.
using EntryMatch = std::function<std::optional<RecordTexts>(const QString& entryName)>;

// Entries whose names begin with "." are hidden, and most listing rules pass them over.
bool isHidden(const QString& entryName);

// Every entry of `folder` that `match` accepts, in listing order, measured and listed when larger
// than `threshold`.
QCoro::Task<> listingRule(const ScanRun& run, QList<FolderItem>& found, QString folder,
                          qint64 threshold, EntryMatch match, RecordTraits traits);

// The side-by-side versions in `folder` (entries named like a version: "26.1.10909125") except
// the latest, oldest first, each listed when larger than 0. `patterns` read with the version in
// the name's "%1" and the latest version in the subtitle's.
QCoro::Task<> olderVersions(const ScanRun& run, QList<FolderItem>& found, QString folder,
                            RecordTexts patterns, RecordTraits traits);
