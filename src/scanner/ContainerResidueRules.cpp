#include "platform/FileSystem.h"
#include "scanner/CategoryRules.h"
#include "scanner/ListingRules.h"
#include "scanner/ScanRun.h"

#include <algorithm>
#include <iterator>

namespace {

// A large folder in an app's sandboxed Application Support is as often the app's own data
// (downloaded books, message stores, saved games) as leftover residue: offered for review, never
// selected for the user, and not picked by the quick selection of safe items.
constexpr RecordTraits residueTraits{
    .category = CleanupCategory::containerResidue,
    .safetyTier = SafetyTier::caution,
    .policy = {.isSelected = false, .recreateFolderAfterDelete = false, .requiresSudo = false},
};

constexpr QStringView containers = u"/Library/Containers";
constexpr QStringView supportInContainer = u"/Data/Library/Application Support";
constexpr qint64 residueThreshold = 100LL * 1024 * 1024;
constexpr QStringView residueSubtitle =
    u"Extracted archive residue stored inside app sandbox container.";

// Folders the system keeps in every container; never an app's residue, whatever their size.
constexpr QStringView systemOwned[] = {u"AddressBook", u"SyncServices", u"iCloud"};

bool isSystemOwned(const QString& entryName) {
    return std::find(std::begin(systemOwned), std::end(systemOwned), entryName) !=
           std::end(systemOwned);
}

} // namespace

QCoro::Task<QList<FolderItem>> scanContainerResidue(const ScanRun& run, QString home) {
    if (home.isEmpty()) {
        co_return {};
    }
    QList<FolderItem> found;
    const QString containersFolder = home + containers.toString();
    const auto entries = run.fileSystem()->contentsOfDirectory(containersFolder);
    if (!entries) {
        co_return found;
    }
    for (const QString& container : *entries) {
        if (isHidden(container)) {
            continue;
        }
        const QString support =
            containersFolder + QLatin1Char('/') + container + supportInContainer.toString();
        if (!run.fileSystem()->fileExists(support)) {
            continue;
        }
        const EntryMatch residue =
            [container](const QString& entryName) -> std::optional<RecordTexts> {
            if (isHidden(entryName) || isSystemOwned(entryName)) {
                return std::nullopt;
            }
            return RecordTexts{container + QLatin1String(": ") + entryName,
                               residueSubtitle.toString()};
        };
        QCoro::Task<> rule =
            listingRule(run, found, support, residueThreshold, residue, residueTraits);
        co_await rule;
    }
    co_return found;
}
