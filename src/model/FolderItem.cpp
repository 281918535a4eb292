#include "model/FolderItem.h"

#include <utility>

FolderItem::FolderItem(Fields fields)
    : FolderItem(std::move(fields.name), std::move(fields.path), fields.size, fields.category,
                 fields.safetyTier, std::move(fields.subtitle), fields.isSelected,
                 fields.recreateFolderAfterDelete, std::move(fields.cliCommand),
                 fields.requiresSudo) {}

FolderItem::FolderItem(QString name_, QString path_, qint64 size_, CleanupCategory category_,
                       SafetyTier safetyTier_, QString subtitle_, bool isSelected_,
                       bool recreateFolderAfterDelete_, std::optional<QString> cliCommand_,
                       bool requiresSudo_)
    : id(QUuid::createUuid())
    , name(std::move(name_))
    , path(std::move(path_))
    , size(size_)
    , category(category_)
    , safetyTier(safetyTier_)
    , subtitle(std::move(subtitle_))
    , isSelected(isSelected_)
    , recreateFolderAfterDelete(recreateFolderAfterDelete_)
    , cliCommand(std::move(cliCommand_))
    , requiresSudo(requiresSudo_) {}
