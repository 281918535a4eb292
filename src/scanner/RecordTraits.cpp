#include "scanner/RecordTraits.h"

#include <utility>

FolderItem RecordTraits::record(QString path, qint64 size, RecordTexts texts) const {
    return FolderItem({.name = std::move(texts.name),
                       .path = std::move(path),
                       .size = size,
                       .category = category,
                       .safetyTier = safetyTier,
                       .subtitle = std::move(texts.subtitle),
                       .isSelected = policy.isSelected,
                       .recreateFolderAfterDelete = policy.recreateFolderAfterDelete,
                       .cliCommand = std::nullopt,
                       .requiresSudo = policy.requiresSudo});
}
