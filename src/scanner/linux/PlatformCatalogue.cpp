#include "scanner/PlatformCatalogue.h"

#include "platform/FileSystem.h"

#include <QStringView>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>
#include <span>

namespace {

// The folder a rule's location hangs from. Each is resolved in Bases::folder.
enum class Base {
    root, // the location is an absolute path
    home,
    userCache,     // $XDG_CACHE_HOME, else ~/.cache
    goModuleCache, // $GOMODCACHE, else pkg/mod in the first $GOPATH entry, else in ~/go
    cargoHome,     // $CARGO_HOME, else ~/.cargo
    poetryCache,   // $POETRY_CACHE_DIR, else the user cache's pypoetry
    bunInstall,    // $BUN_INSTALL, else .bun in $XDG_CACHE_HOME when it is set, else in ~
    composerCache, // $COMPOSER_HOME/cache, else ~/.composer/cache when there, else the user cache's
    dataHome,      // $XDG_DATA_HOME, else ~/.local/share
    nugetHttpCache, // NuGet in the data home: http-cache, or v3-cache alone
    pubCache,       // $PUB_CACHE, else ~/.pub-cache
    huggingFace,    // $HF_HOME, else the user cache's huggingface
    torchHome,      // $TORCH_HOME, else the user cache's torch
};

// A cache its tool fills again by itself: selected at first, and made again empty after a cleanup
// so that the tool finds its folder where it left it.
constexpr TargetPolicy selectedCache{
    .isSelected = true, .recreateFolderAfterDelete = true, .requiresSudo = false};
// The same, but offered unselected: removing it stops something working until it is fetched
// again, so the user opts in.
constexpr TargetPolicy optInCache{
    .isSelected = false, .recreateFolderAfterDelete = true, .requiresSudo = false};

struct Rule {
    Base base;
    QStringView location; // follows the base folder
    // The variable through which the tool's user names the whole location instead, if any.
    QStringView movedBy = {};
    QStringView name;
    QStringView subtitle;
    TargetPolicy policy = selectedCache;
    // Files of the user's own settings or secrets that the tool may keep in the location, which is
    // then not offered at all: anything there under such a name counts, a link to a file not
    // there yet (dotfiles not checked out) included.
    std::array<QStringView, 2> settingsFiles = {};
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
    {.base = Base::userCache,
     .location = u"/thumbnails",
     .name = u"Thumbnail Cache",
     .subtitle = u"Previews of pictures and documents, which file managers draw again as needed."},
    // Only the administrator may remove it: it goes into the administrator line, which the user
    // pastes on purpose. APT makes the folder again on its next download.
    {.base = Base::root,
     .location = u"/var/cache/apt/archives",
     .name = u"APT Package Downloads",
     .subtitle = u"Packages APT downloaded for installs and upgrades, fetched again when needed; "
                 u"removing them takes administrator rights.",
     .policy = {.isSelected = false, .recreateFolderAfterDelete = false, .requiresSudo = true}},
};

constexpr Rule developerTools[] = {
    {.base = Base::userCache,
     .location = u"/yarn",
     .name = u"Yarn Package Cache",
     .subtitle = u"Downloaded package archives kept by Yarn. Yarn fetches them again on demand."},
    {.base = Base::userCache,
     .location = u"/go-build",
     .movedBy = u"GOCACHE",
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
     .policy = optInCache},
    {.base = Base::userCache,
     .location = u"/uv",
     .movedBy = u"UV_CACHE_DIR",
     .name = u"uv Package Cache",
     .subtitle = u"Packages downloaded and built by uv, which fetches them again when needed."},
    {.base = Base::poetryCache,
     .location = u"/cache",
     .name = u"Poetry Package Cache",
     .subtitle = u"Package index data cached by Poetry, which downloads it again on demand."},
    {.base = Base::poetryCache,
     .location = u"/artifacts",
     .name = u"Poetry Downloaded Distributions",
     .subtitle = u"Package archives downloaded by Poetry, which fetches them again on demand."},
    {.base = Base::userCache,
     .location = u"/pre-commit",
     .movedBy = u"PRE_COMMIT_HOME",
     .name = u"pre-commit Hook Environments",
     .subtitle = u"Hook repositories and their environments, which pre-commit installs again."},
    {.base = Base::bunInstall,
     .location = u"/install/cache",
     .movedBy = u"BUN_INSTALL_CACHE_DIR",
     .name = u"Bun Package Cache",
     .subtitle = u"Packages downloaded by Bun, which fetches them again on the next install."},
    {.base = Base::composerCache,
     .location = u"",
     .movedBy = u"COMPOSER_CACHE_DIR",
     .name = u"Composer Package Cache",
     .subtitle = u"Package archives and metadata downloaded by Composer, fetched again on demand."},
    {.base = Base::home,
     .location = u"/.nuget/packages",
     .movedBy = u"NUGET_PACKAGES",
     .name = u"NuGet Packages",
     .subtitle =
         u"Packages NuGet downloaded and unpacked for .NET builds, restored again on demand."},
    {.base = Base::nugetHttpCache,
     .location = u"",
     .movedBy = u"NUGET_HTTP_CACHE_PATH",
     .name = u"NuGet HTTP Cache",
     .subtitle = u"Package downloads and feed answers cached by NuGet, which fetches them again."},
    // ccache keeps its settings in the folder CCACHE_DIR names, and in ~/.ccache (which it still
    // uses when it is there, and which lies directly in the home folder anyway).
    {.base = Base::userCache,
     .location = u"/ccache",
     .movedBy = u"CCACHE_DIR",
     .name = u"ccache Compiler Cache",
     .subtitle = u"Compiler outputs kept by ccache, which compiles and stores them again.",
     .settingsFiles = {u"ccache.conf"}},
    {.base = Base::userCache,
     .location = u"/sccache",
     .movedBy = u"SCCACHE_DIR",
     .name = u"sccache Compiler Cache",
     .subtitle = u"Compiler outputs kept by sccache, which compiles and stores them again."},
    {.base = Base::userCache,
     .location = u"/node-gyp",
     .name = u"node-gyp Header Downloads",
     .subtitle = u"Node.js headers for building native modules, which node-gyp downloads again."},
    {.base = Base::userCache,
     .location = u"/electron",
     .movedBy = u"ELECTRON_CACHE",
     .name = u"Electron Downloads",
     .subtitle =
         u"Electron releases downloaded for app builds, which are fetched again on demand."},
    {.base = Base::userCache,
     .location = u"/electron-builder",
     .movedBy = u"ELECTRON_BUILDER_CACHE",
     .name = u"electron-builder Downloads",
     .subtitle =
         u"Packaging tools downloaded by electron-builder, fetched again on the next build."},
    {.base = Base::userCache,
     .location = u"/Homebrew",
     .movedBy = u"HOMEBREW_CACHE",
     .name = u"Homebrew Downloads",
     .subtitle = u"Bottles and source archives downloaded by Homebrew, which fetches them again."},
    {.base = Base::pubCache,
     .location = u"/hosted",
     .name = u"Dart Package Cache",
     .subtitle =
         u"Dart and Flutter packages downloaded by pub, which fetches them again on demand."},
    // These stop tests, scripts and programs working until they are fetched again, and the last
    // two may take long to fetch or be gone from where they came from: the user opts in.
    {.base = Base::userCache,
     .location = u"/Cypress",
     .movedBy = u"CYPRESS_CACHE_FOLDER",
     .name = u"Cypress Test Runner",
     .subtitle =
         u"Cypress app builds for end-to-end tests; \"npx cypress install\" gets them again.",
     .policy = optInCache},
    // Puppeteer keeps its browsers in ~/.cache whatever XDG_CACHE_HOME says.
    {.base = Base::home,
     .location = u"/.cache/puppeteer",
     .movedBy = u"PUPPETEER_CACHE_DIR",
     .name = u"Puppeteer Browsers",
     .subtitle =
         u"Browser builds for Puppeteer; \"npx puppeteer browsers install\" gets them again.",
     .policy = optInCache},
    {.base = Base::userCache,
     .location = u"/deno",
     .movedBy = u"DENO_DIR",
     .name = u"Deno Module Cache",
     .subtitle = u"Remote modules cached by Deno; one no longer online may exist only here.",
     .policy = optInCache},
    // Never the rest of the Hugging Face folder, nor a hub folder that is that folder: it holds
    // the login tokens.
    {.base = Base::huggingFace,
     .location = u"/hub",
     .movedBy = u"HF_HUB_CACHE",
     .name = u"Hugging Face Models",
     .subtitle = u"Models and datasets from the Hugging Face Hub, large and slow to fetch again.",
     .policy = optInCache,
     .settingsFiles = {u"token", u"stored_tokens"}},
    {.base = Base::torchHome,
     .location = u"/hub",
     .name = u"PyTorch Hub Models",
     .subtitle =
         u"Pretrained models downloaded through PyTorch Hub, large and slow to fetch again.",
     .policy = optInCache},
};

// Android Studio's default SDK folder on this system.
constexpr QStringView ndkVersions = u"/Android/Sdk/ndk";

// Every base that holds other rules' locations or the user's files beside a cache.
constexpr Base sharedBases[] = {
    Base::userCache,  Base::goModuleCache, Base::cargoHome, Base::poetryCache,
    Base::bunInstall, Base::composerCache, Base::dataHome,  Base::nugetHttpCache,
    Base::pubCache,   Base::huggingFace,   Base::torchHome,
};

class Bases {
public:
    Bases(const FileSystem& fileSystem, const QString& home)
        : m_fileSystem(fileSystem)
        , m_home(home)
        , m_xdgCache(fromVariable(u"XDG_CACHE_HOME"))
        , m_userCache(m_xdgCache.value_or(home + QStringLiteral("/.cache"))) {
        for (Base base : sharedBases) {
            QString path = folder(base);
            m_sharedFolders.append({base, m_fileSystem.identityChain(path), std::move(path)});
        }
    }

    QString folder(Base base) const {
        switch (base) {
        case Base::root:
            return {};
        case Base::home:
            return m_home;
        case Base::userCache:
            return m_userCache;
        case Base::goModuleCache:
            if (auto modules = fromVariable(u"GOMODCACHE")) {
                return *modules;
            }
            return usable(m_fileSystem.environmentVariable(QStringLiteral("GOPATH"))
                              .section(QLatin1Char(':'), 0, 0))
                       .value_or(inHome(u"/go")) +
                   QStringLiteral("/pkg/mod");
        case Base::cargoHome:
            return moved(u"CARGO_HOME", inHome(u"/.cargo"));
        case Base::poetryCache:
            return moved(u"POETRY_CACHE_DIR", inCache(u"/pypoetry"));
        case Base::bunInstall:
            return moved(u"BUN_INSTALL",
                         m_xdgCache ? *m_xdgCache + QStringLiteral("/.bun") : inHome(u"/.bun"));
        case Base::composerCache:
            if (auto composerHome = fromVariable(u"COMPOSER_HOME")) {
                return *composerHome + QStringLiteral("/cache");
            }
            return firstExisting({inHome(u"/.composer/cache"), inCache(u"/composer")});
        case Base::dataHome:
            return moved(u"XDG_DATA_HOME", inHome(u"/.local/share"));
        case Base::nugetHttpCache: {
            // Older NuGet versions named the folder v3-cache.
            const QString nuget = folder(Base::dataHome) + QStringLiteral("/NuGet");
            return firstExisting(
                {nuget + QStringLiteral("/http-cache"), nuget + QStringLiteral("/v3-cache")});
        }
        case Base::pubCache:
            return moved(u"PUB_CACHE", inHome(u"/.pub-cache"));
        case Base::huggingFace:
            return moved(u"HF_HOME", inCache(u"/huggingface"));
        case Base::torchHome:
            return moved(u"TORCH_HOME", inCache(u"/torch"));
        }
        Q_UNREACHABLE();
        return {};
    }

    QList<PlatformCatalogue::Location> resolve(std::span<const Rule> rules) const {
        QList<PlatformCatalogue::Location> locations;
        for (const Rule& rule : rules) {
            std::optional<QString> named =
                rule.movedBy.isEmpty() ? std::nullopt : fromVariable(rule.movedBy);
            // A variable naming a base's folder, or one that holds it, is not followed: that is
            // no one tool's cache, and what the other rules leave alone there would go with it.
            // A location that is its base's folder, and so named whole by the base's variable
            // (GOMODCACHE), is judged alike, but for that base.
            if (named && holdsSharedFolder(*named, std::nullopt)) {
                named.reset();
            }
            QString path = named.value_or(folder(rule.base) + rule.location.toString());
            if (!named && rule.location.isEmpty() && holdsSharedFolder(path, rule.base)) {
                continue;
            }
            if (std::any_of(
                    rule.settingsFiles.begin(), rule.settingsFiles.end(), [&](QStringView file) {
                        return !file.isEmpty() &&
                               m_fileSystem.entryExists(path + QLatin1Char('/') + file.toString());
                    })) {
                continue;
            }
            locations.append({.path = std::move(path),
                              .name = rule.name.toString(),
                              .subtitle = rule.subtitle.toString(),
                              .policy = rule.policy});
        }
        return locations;
    }

private:
    QString inHome(QStringView location) const { return m_home + location.toString(); }
    QString inCache(QStringView location) const { return m_userCache + location.toString(); }

    std::optional<QString> fromVariable(QStringView name) const {
        return usable(m_fileSystem.environmentVariable(name.toString()));
    }
    QString moved(QStringView variable, QString otherwise) const {
        return fromVariable(variable).value_or(std::move(otherwise));
    }

    // The first folder that is there; a tool that finds none of them makes the first.
    QString firstExisting(std::initializer_list<QString> folders) const {
        for (const QString& folder : folders) {
            if (m_fileSystem.fileExists(folder)) {
                return folder;
            }
        }
        return *folders.begin();
    }

    // A folder named by the environment is followed only when it is absolute, and never when it
    // is the root, the home folder or a folder above it, whether its text says so or its links
    // lead there: those are nobody's cache. Without ".." the text names the same folder once "."
    // and repeated or trailing separators are dropped; a folder that is not there yet has only
    // its text to be judged by.
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
        if (m_home == folder || m_home.startsWith(folder + QLatin1Char('/')) ||
            m_fileSystem.isHomeOrAbove(folder)) {
            return std::nullopt;
        }
        return folder;
    }

    // Whether `path` is, or holds, the folder of a shared base other than `own` (the base the
    // location was built on), by identity where both are there, else by their text.
    bool holdsSharedFolder(const QString& path, std::optional<Base> own) const {
        const QList<FileSystem::Identity> chain = m_fileSystem.identityChain(path);
        return std::any_of(
            m_sharedFolders.begin(), m_sharedFolders.end(), [&](const SharedFolder& shared) {
                return shared.base != own &&
                       FileSystem::liesWithin(shared.path, shared.chain, path, chain);
            });
    }

    struct SharedFolder {
        Base base;
        QList<FileSystem::Identity> chain;
        QString path;
    };

    const FileSystem& m_fileSystem;
    QString m_home;
    std::optional<QString> m_xdgCache;
    QString m_userCache;
    QList<SharedFolder> m_sharedFolders;
};

} // namespace

// Variables name folders here, and the program may run as root with a user's home: whatever it
// offers must be that user's.
const bool PlatformCatalogue::ownedLocationsOnly = true;

PlatformCatalogue PlatformCatalogue::of(const FileSystem& fileSystem, const QString& home) {
    if (home.isEmpty()) {
        return {};
    }
    const Bases bases(fileSystem, home);
    return {.safeCaches = bases.resolve(::safeCaches),
            .updaterStagingFolders = {bases.folder(Base::userCache)},
            .developerTools = bases.resolve(::developerTools),
            .ndkFolders = {home + ndkVersions.toString()},
            // Snap's own: every snap's copy of the user's files.
            .unsearchedHomeFolders = {QStringLiteral("snap")}};
}

SizeMeasure PlatformCatalogue::sizeMeasure() {
    // A figure here is what its cleanup frees: hidden entries (a Yarn cache keeps each archive in
    // a hidden file), folders' blocks, and a store's files only where nothing outside links them.
    return SizeMeasure::whole;
}
