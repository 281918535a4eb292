#pragma once

#include "model/FolderItem.h"
#include "model/FolderItemList.h"
#include "model/TargetPolicy.h"
#include "platform/gui/DesktopServices.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QUrl>

// The fields of a test's FolderItem by name, each with a default, so that a row says only what
// matters to it: item({.name = "x", .bytes = 5, .policy = {.isSelected = true}}).
struct ItemFields {
    QString name = QStringLiteral("item");
    QString path = {}; // empty: a cache of that name in the home folder /Users/u
    qint64 bytes = 1000;
    CleanupCategory category = CleanupCategory::safeCaches;
    SafetyTier tier = SafetyTier::safe;
    QString subtitle = QStringLiteral("One sentence.");
    TargetPolicy policy = {};
    std::optional<QString> command = std::nullopt;
};

inline FolderItem item(const ItemFields& f) {
    return FolderItem(
        f.name, f.path.isEmpty() ? QStringLiteral("/Users/u/Library/Caches/") + f.name : f.path,
        f.bytes, f.category, f.tier, f.subtitle, f.policy.isSelected,
        f.policy.recreateFolderAfterDelete, f.command, f.policy.requiresSudo);
}

// Each target's selection, in list order.
inline QList<bool> selections(const FolderItemList& list) {
    QList<bool> selected;
    for (const FolderItem& target : list.items()) {
        selected.append(target.isSelected);
    }
    return selected;
}

// Records desktop requests instead of making them.
class FakeDesktop final : public DesktopServices {
public:
    void revealInFileManager(const QString& path) override { revealed.append(path); }
    void openUrl(const QUrl& url) override { opened.append(url); }

    QStringList revealed;
    QList<QUrl> opened;
};

// A release manifest as the update server publishes it.
inline QByteArray manifest(const QByteArray& version, qint64 build = 57,
                           const QByteArray& downloadURL = "https://example.com/download") {
    return R"({"version": ")" + version + R"(", "build": )" + QByteArray::number(build) +
           R"(, "releaseNotes": "Faster scans.", "downloadURL": ")" + downloadURL +
           R"(", "minimumMacOS": "13.0"})";
}
