#pragma once

#include "model/CleanupCategory.h"
#include "model/FolderItem.h"
#include "model/SafetyTier.h"
#include "model/TargetPolicy.h"

#include <QString>

// How one record reads: its title and the sentence under it.
struct RecordTexts {
    QString name;
    QString subtitle;
};

// The fields that one scanning rule sets alike on every record it builds.
struct RecordTraits {
    CleanupCategory category;
    SafetyTier safetyTier;
    TargetPolicy policy;

    // The record of a target of `size` bytes at `path`, reading as `texts`, with no command. Every
    // record a scan finds is made here.
    FolderItem record(QString path, qint64 size, RecordTexts texts) const;
};
