#pragma once

#include "model/CleanupCategory.h"
#include "model/SafetyTier.h"

// The fields that one scanning rule sets alike on every record it builds.
struct RecordTraits {
    CleanupCategory category;
    SafetyTier safetyTier;
    bool isSelected;
    bool recreateFolderAfterDelete;
    bool requiresSudo;
};
