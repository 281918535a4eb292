#include "scanner/PlatformCatalogue.h"

#include "platform/FileSystem.h"

#include <QStringView>

#include <optional>
#include <span>

namespace {

// The folder a rule's location hangs from.
enum class Base {
    home,
    userCache,     // $XDG_CACHE_HOME, else ~/.cache
    goBuildCache,  // $GOCACHE, else the user cache's go-build
    goModuleCache, // $GOMODCACHE, else pkg/mod in the first $GOPATH entry, else in ~/go
    cargoHome,     // $CARGO_HOME, else ~/.cargo
};

struct Rule {
    Base base;
    QStringView location; // follows the base folder
    QStringView name;
    QStringView subtitle;
    bool isSelected = true;
};

constexpr Rule safeCaches[] = {
    {.base = Base::home,
     .location = u"/.config/Code/CachedExtensionVSIXs",
     .name = u"VS Code Extension Packages",
     .subtitle = u"Cached installer packages of already-installed VS Code extensions."},
    {.base = Base::userCache,
     .location = u"/pip",
     .name = u"Python Pip Wheel Cache",
     .subtitle = u"Cached Python binary wheel archives and source tarballs."},
};

constexpr Rule developerTools[] = {
    {.base = Base::userCache,
     .location = u"/yarn",
     .name = u"Yarn Package Cache",
     .subtitle = u"Downloaded package archives kept by Yarn. Yarn fetches them again on demand."},
    {.base = Base::goBuildCache,
     .location = u"",
     .name = u"Go Build Cache",
     .subtitle = u"Compiled Go packages and test results. Go rebuilds them when needed."},
    {.base = Base::goModuleCache,
     .location = u"",
     .name = u"Go Module Cache",
     .subtitle = u"Downloaded Go module sources. Go downloads them again on the next build."},
    {.base = Base::cargoHome,
     .location = u"/registry/cache",
     .name = u"Cargo Crate Archives",
     .subtitle = u"Downloaded crate archives. Cargo downloads them again when a build needs them."},
    {.base = Base::cargoHome,
     .location = u"/registry/src",
     .name = u"Cargo Unpacked Crate Sources",
     .subtitle =
         u"Crate sources unpacked from the archives. Cargo unpacks them again on the next build."},
    {.base = Base::userCache,
     .location = u"/JetBrains",
     .name = u"JetBrains IDE Caches",
     .subtitle = u"Indexes and caches of JetBrains IDEs. The IDE rebuilds them on its next start."},
    // Test runs stop working until the browsers are installed again, so the user opts in.
    {.base = Base::userCache,
     .location = u"/ms-playwright",
     .name = u"Playwright Browsers",
     .subtitle = u"Browser builds downloaded for Playwright tests. Install them again with \"npx "
                 u"playwright install\".",
     .isSelected = false},
};

// Android Studio's default SDK folder on this system.
constexpr QStringView ndkVersions = u"/Android/Sdk/ndk";

class Bases {
public:
    Bases(const FileSystem& fileSystem, const QString& home)
        : m_fileSystem(fileSystem)
        , m_home(home)
        , m_userCache(fromVariable(u"XDG_CACHE_HOME").value_or(home + QStringLiteral("/.cache"))) {}

    QString folder(Base base) const {
        switch (base) {
        case Base::home:
            return m_home;
        case Base::userCache:
            return m_userCache;
        case Base::goBuildCache:
            return fromVariable(u"GOCACHE").value_or(m_userCache + QStringLiteral("/go-build"));
        case Base::goModuleCache:
            if (auto modules = fromVariable(u"GOMODCACHE")) {
                return *modules;
            }
            return usable(m_fileSystem.environmentVariable(QStringLiteral("GOPATH"))
                              .section(QLatin1Char(':'), 0, 0))
                       .value_or(m_home + QStringLiteral("/go")) +
                   QStringLiteral("/pkg/mod");
        case Base::cargoHome:
            return fromVariable(u"CARGO_HOME").value_or(m_home + QStringLiteral("/.cargo"));
        }
        Q_UNREACHABLE();
        return {};
    }

    QList<PlatformCatalogue::Location> resolve(std::span<const Rule> rules) const {
        QList<PlatformCatalogue::Location> locations;
        for (const Rule& rule : rules) {
            locations.append({.path = folder(rule.base) + rule.location.toString(),
                              .name = rule.name.toString(),
                              .subtitle = rule.subtitle.toString(),
                              .isSelected = rule.isSelected});
        }
        return locations;
    }

private:
    std::optional<QString> fromVariable(QStringView name) const {
        return usable(m_fileSystem.environmentVariable(name.toString()));
    }

    // A folder named by the environment is followed only when it is absolute, and never when it
    // is the root, the home folder or a folder above it: those are nobody's cache. Without ".."
    // the text names the same folder once "." and repeated or trailing separators are dropped.
    std::optional<QString> usable(const QString& value) const {
        if (!value.startsWith(QLatin1Char('/'))) {
            return std::nullopt;
        }
        QStringList parts = value.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        parts.removeAll(QStringLiteral("."));
        if (parts.isEmpty() || parts.contains(QStringLiteral(".."))) {
            return std::nullopt;
        }
        QString folder = QLatin1Char('/') + parts.join(QLatin1Char('/'));
        if (m_home == folder || m_home.startsWith(folder + QLatin1Char('/'))) {
            return std::nullopt;
        }
        return folder;
    }

    const FileSystem& m_fileSystem;
    QString m_home;
    QString m_userCache;
};

} // namespace

PlatformCatalogue PlatformCatalogue::of(const FileSystem& fileSystem, const QString& home) {
    if (home.isEmpty()) {
        return {};
    }
    const Bases bases(fileSystem, home);
    return {.safeCaches = bases.resolve(::safeCaches),
            .updaterStagingFolders = {bases.folder(Base::userCache)},
            .developerTools = bases.resolve(::developerTools),
            .ndkFolders = {home + ndkVersions.toString()}};
}
