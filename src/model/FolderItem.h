#pragma once

#include "model/CleanupCategory.h"
#include "model/CleanupResult.h"
#include "model/SafetyTier.h"

#include <QString>
#include <QUuid>

#include <optional>

// One cleanup target. The identity is made here, never by the creator, so two scans of the same
// disk give equal contents but distinct items.
struct FolderItem {
    FolderItem(QString name, QString path, qint64 size, CleanupCategory category,
               SafetyTier safetyTier, QString subtitle, bool isSelected,
               bool recreateFolderAfterDelete, std::optional<QString> cliCommand,
               bool requiresSudo);

    QUuid id;
    QString name;
    QString path;
    qint64 size;
    CleanupCategory category;
    SafetyTier safetyTier;
    QString subtitle;
    bool isSelected;
    bool recreateFolderAfterDelete;
    std::optional<QString> cliCommand;
    bool requiresSudo;

    bool operator==(const FolderItem&) const = default;
};
