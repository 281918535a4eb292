#pragma once

#include "model/FolderItem.h"
#include "platform/gui/DesktopServices.h"
#include "ui/FolderRow.h"

#include <QStringList>

// Records desktop requests instead of making them.
class FakeDesktop : public DesktopServices {
public:
    void revealInFileManager(const QString& path) override { revealed.append(path); }
    void openUrl(const QUrl& url) override { opened.append(url); }

    QStringList revealed;
    QList<QUrl> opened;
};

inline FolderItem makeItem(const QString& name, qint64 size, CleanupCategory category,
                           bool selected = false, SafetyTier tier = SafetyTier::developer,
                           const QString& subtitle = QStringLiteral("One sentence."),
                           bool requiresSudo = false, const QString& path = QString()) {
    return FolderItem(name,
                      path.isEmpty() ? QStringLiteral("/Users/u/Library/Caches/") + name : path,
                      size, category, tier, subtitle, selected, false, std::nullopt, requiresSudo);
}

inline FolderRow::Environment testEnvironment(FakeDesktop& desktop) {
    return {QStringLiteral("/Users/u"), &desktop};
}
