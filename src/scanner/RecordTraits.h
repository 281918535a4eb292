#pragma once

#include "model/CleanupCategory.h"
#include "model/SafetyTier.h"
#include "model/TargetPolicy.h"

// The fields that one scanning rule sets alike on every record it builds.
struct RecordTraits {
    CleanupCategory category;
    SafetyTier safetyTier;
    TargetPolicy policy;
};
