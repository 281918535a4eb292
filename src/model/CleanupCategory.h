#pragma once

#include "model/RawValue.h"
#include "model/Symbol.h"
#include "model/Tint.h"

#include <QHashFunctions>
#include <QString>

#include <array>

enum class CleanupCategory {
    safeCaches,
    developerTools,
    simulators,
    dormantPlugins,
    containerResidue,
    projectBuildFolders
};

template <>
inline constexpr std::array<CleanupCategory, 6> allCases<CleanupCategory>{
    CleanupCategory::safeCaches,       CleanupCategory::developerTools,
    CleanupCategory::simulators,       CleanupCategory::dormantPlugins,
    CleanupCategory::containerResidue, CleanupCategory::projectBuildFolders};

QString rawValue(CleanupCategory category);
// Lists are keyed by the raw value.
inline QString id(CleanupCategory category) {
    return rawValue(category);
}
QString title(CleanupCategory category);
QString summary(CleanupCategory category);
Symbol symbol(CleanupCategory category);
Tint tint(CleanupCategory category);

inline size_t qHash(CleanupCategory category, size_t seed = 0) noexcept {
    return qHash(rawValue(category), seed);
}
