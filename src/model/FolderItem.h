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
    // Everything but the identity, named where an item is made:
    // FolderItem({.name = ..., .path = ..., .isSelected = true}).
    struct Fields {
        QString name;
        QString path;
        qint64 size = 0;
        CleanupCategory category = CleanupCategory::safeCaches;
        SafetyTier safetyTier = SafetyTier::safe;
        QString subtitle;
        bool isSelected = false;
        bool recreateFolderAfterDelete = false;
        std::optional<QString> cliCommand;
        bool requiresSudo = false;
    };

    explicit FolderItem(Fields fields);
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

    // A cleanup runs the item's command instead of removing its path: it has one, and the item is
    // not left for the administrator line.
    bool runsCommand() const { return !requiresSudo && cliCommand && !cliCommand->isEmpty(); }

    bool operator==(const FolderItem&) const = default;
};
