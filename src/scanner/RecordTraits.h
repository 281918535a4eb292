#pragma once

#include "model/CleanupCategory.h"
#include "model/SafetyTier.h"
#include "platform/FileSystem.h"

// The fields that one scanning rule sets alike on every record it builds, and how it measures them.
struct RecordTraits {
    CleanupCategory category;
    SafetyTier safetyTier;
    bool isSelected;
    bool recreateFolderAfterDelete;
    bool requiresSudo;
    HiddenEntries hiddenEntries = HiddenEntries::passedOver;
};
