#include "model/SafetyTier.h"

QString rawValue(SafetyTier tier) {
    switch (tier) {
    case SafetyTier::safe:
        return QStringLiteral("safe");
    case SafetyTier::developer:
        return QStringLiteral("developer");
    case SafetyTier::caution:
        return QStringLiteral("caution");
    }
    return {};
}

QString badgeLabel(SafetyTier tier) {
    switch (tier) {
    case SafetyTier::safe:
        return QStringLiteral("Safe");
    case SafetyTier::developer:
        return QStringLiteral("Developer");
    case SafetyTier::caution:
        // The badge asks the user to look before deleting; it does not repeat the tier's name.
        return QStringLiteral("Review");
    }
    return {};
}

Tint tint(SafetyTier tier) {
    switch (tier) {
    case SafetyTier::safe:
        return Tint::green;
    case SafetyTier::developer:
        return Tint::blue;
    case SafetyTier::caution:
        return Tint::orange;
    }
    return Tint::orange;
}
