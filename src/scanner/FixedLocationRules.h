#pragma once

#include "model/FolderItem.h"
#include "scanner/FixedLocation.h"
#include "scanner/PlatformCatalogue.h"
#include "scanner/RecordTraits.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <optional>
#include <span>

class ScanRun;

// The finder of locations known in advance: each rule names one folder, which is offered when it
// exists, may be offered (isOfferableLocation) and holds enough. Every rule's record, the listings'
// too, is measured and made here. Each appends what it finds to `found`.

// How a fixed-location rule's record reads.
RecordTexts textsOf(const FixedLocation& rule);

// The bytes below `path`, judged (isOfferableLocation) and then measured off the GUI thread;
// nothing when the location may not be offered, or the run is being stopped.
QCoro::Task<std::optional<qint64>> offeredSize(const ScanRun& run, QString path,
                                               RecordTraits traits);

// Measures `path` and appends a record when it may be offered and is larger than `threshold`
// bytes.
QCoro::Task<> addIfLarger(const ScanRun& run, QList<FolderItem>& found, QString path,
                          qint64 threshold, RecordTexts texts, RecordTraits traits);

// A location that must exist; measured and listed when larger than `threshold`.
QCoro::Task<> fixedPathRule(const ScanRun& run, QList<FolderItem>& found, QString path,
                            qint64 threshold, RecordTexts texts, RecordTraits traits);

// Each row in order as a fixed-path rule on `base` + its location, listed when larger than 0.
QCoro::Task<> fixedPathRules(const ScanRun& run, QList<FolderItem>& found, QString base,
                             std::span<const FixedLocation> rules, RecordTraits traits);

// Each of this system's own locations (PlatformCatalogue) in order as a fixed-path rule, listed
// when larger than 0; `traits` are the category's, but for the policy that each location sets.
QCoro::Task<> fixedPathRules(const ScanRun& run, QList<FolderItem>& found,
                             QList<PlatformCatalogue::Location> locations, RecordTraits traits);
