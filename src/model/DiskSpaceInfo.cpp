#include "model/DiskSpaceInfo.h"

#include "platform/VolumeQuery.h"

namespace {

std::optional<qint64> numberEntry(const QVariantMap& attributes, const QString& key) {
    const auto entry = attributes.constFind(key);
    if (entry == attributes.cend()) {
        return std::nullopt;
    }
    switch (entry->typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Double:
        return entry->toLongLong();
    default:
        return std::nullopt;
    }
}

} // namespace

DiskSpaceInfo DiskSpaceInfo::current() {
    return current(VolumeQuery::system());
}

DiskSpaceInfo DiskSpaceInfo::current(const VolumeQuery& query) {
    const QString root = QStringLiteral("/");
    if (const auto capacities = query.capacities(root)) {
        // An absent figure reads 0; only a failed query falls back to the attributes.
        return {capacities->total.value_or(0), capacities->availableForImportantUsage.value_or(0)};
    }
    const auto attributes = query.fileSystemAttributes(root);
    if (!attributes) {
        return {};
    }
    const auto size = numberEntry(*attributes, QStringLiteral("NSFileSystemSize"));
    const auto free = numberEntry(*attributes, QStringLiteral("NSFileSystemFreeSize"));
    if (!size || !free) {
        return {};
    }
    return {*size, *free};
}
