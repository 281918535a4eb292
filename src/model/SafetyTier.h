#pragma once

#include "model/RawValue.h"
#include "model/Tint.h"

#include <QHashFunctions>
#include <QString>

#include <array>

enum class SafetyTier { safe, developer, caution };

// Not enumerable for callers; the case list exists so that decoding is derived from `rawValue`.
template <>
inline constexpr std::array<SafetyTier, 3> allCases<SafetyTier>{
    SafetyTier::safe, SafetyTier::developer, SafetyTier::caution};

QString rawValue(SafetyTier tier);
QString badgeLabel(SafetyTier tier);
Tint tint(SafetyTier tier);

inline size_t qHash(SafetyTier tier, size_t seed = 0) noexcept {
    return qHash(rawValue(tier), seed);
}
