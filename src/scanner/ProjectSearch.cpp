#include "scanner/ProjectSearch.h"

#include "platform/BackgroundThreads.h"
#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/FolderSearch.h"
#include "scanner/PlatformCatalogue.h"
#include "scanner/RecordTraits.h"
#include "scanner/ScanRun.h"

#include <QCoroFuture>
#include <QDateTime>
#include <QStringView>
#include <QtConcurrent>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Kind = FolderSearch::Kind;

// The kinds of project, one bit each: a folder holding the markers of two is both.
enum Marker : unsigned {
    anyMarker = 0,
    cargo = 1u << 0,
    node = 1u << 1,
    gradle = 1u << 2,
    maven = 1u << 3,
    cmake = 1u << 4,
    swift = 1u << 5,
    dotnet = 1u << 6,
    dart = 1u << 7,
    mix = 1u << 8,
    stack = 1u << 9,
    cabal = 1u << 10,
    zig = 1u << 11,
    python = 1u << 12,
};

// A regular file that makes the folder holding it a project; `suffix` matches any longer name
// that ends with it. A package.json counts only with a lock file (below).
struct MarkerFile {
    std::string_view name;
    Marker marker;
    bool suffix = false;
};

constexpr MarkerFile markerFiles[] = {
    {"Cargo.toml", cargo},
    {"package.json", node},
    {"build.gradle", gradle},
    {"build.gradle.kts", gradle},
    {"settings.gradle", gradle},
    {"settings.gradle.kts", gradle},
    {"pom.xml", maven},
    {"CMakeLists.txt", cmake},
    {"Package.swift", swift},
    {".csproj", dotnet, true},
    {".fsproj", dotnet, true},
    {"pubspec.yaml", dart},
    {"mix.exs", mix},
    {"stack.yaml", stack},
    {"cabal.project", cabal},
    {"build.zig", zig},
    {"pyproject.toml", python},
    {"setup.py", python},
    {"setup.cfg", python},
};

// A package.json is a project of the user's only with a lock file of its package manager in its
// folder or one above it below the home (a workspace's root): installed applications ship their
// node_modules without one. The tool named is the one that installs the packages again.
struct LockFile {
    std::string_view name;
    const char16_t* tool;
};

constexpr LockFile lockFiles[] = {
    {"package-lock.json", u"npm"}, {"npm-shrinkwrap.json", u"npm"}, {"yarn.lock", u"Yarn"},
    {"pnpm-lock.yaml", u"pnpm"},   {"bun.lockb", u"Bun"},           {"bun.lock", u"Bun"},
};

// A folder holding this file is a Python environment: what lies below it was installed, not
// written by the user, and is never searched.
constexpr std::string_view environmentMark = "pyvenv.cfg";

// What every cache folder that follows the cache directory tagging convention begins with.
constexpr std::string_view cacheTagName = "CACHEDIR.TAG";
constexpr std::string_view cacheTagSignature = "Signature: 8a477f597d28d172789f06886806bc55";

// One kind of build folder, offered as a direct subfolder of a project with one of `markers`
// (any project for anyMarker), named `name` (any name when empty), holding the regular file
// `holds` (when set) that begins with `signature` (when set), and only when the sibling
// `besides` was offered too (when set). A folder holding a .git is never offered: a repository
// cloned into a folder called build is not a build. The first row that matches a folder decides.
struct BuildFolder {
    unsigned markers;
    std::string_view name;
    QStringView subtitle; // %1: the tool that installs a package.json's packages again
    SafetyTier tier = SafetyTier::developer;
    // Only folders of dormant projects are; environments and tagged caches never, since their
    // contents may have been put there by hand.
    bool selectedWhenDormant = true;
    std::string_view holds = {};
    std::string_view signature = {};
    std::string_view besides = {};
};

constexpr QStringView virtualEnvironment =
    u"Python virtual environment; pip installs its packages again, but not those added by hand.";

constexpr BuildFolder buildFolders[] = {
    {cargo, "target", u"Rust build output; cargo builds it again."},
    {node, "node_modules", u"Installed JavaScript packages; %1 installs them again."},
    {node, ".next", u"Next.js build output; next build makes it again."},
    {node, ".nuxt", u"Nuxt build output; nuxt build makes it again."},
    {node, ".angular", u"Angular CLI build cache; ng build makes it again."},
    {node, ".svelte-kit", u"SvelteKit build output; vite build makes it again."},
    {node, ".turbo", u"Turborepo task cache; turbo makes it again."},
    {node, ".parcel-cache", u"Parcel build cache; parcel makes it again."},
    {gradle, "build", u"Gradle build output; gradle builds it again."},
    {gradle, ".gradle", u"Gradle project cache; gradle makes it again."},
    {maven, "target", u"Maven build output; mvn builds it again."},
    {cmake,
     {},
     u"CMake build folder; cmake and your build tool make it again.",
     SafetyTier::developer,
     true,
     "CMakeCache.txt"},
    {swift, ".build", u"Swift package build output; swift build makes it again."},
    {dotnet, "obj", u".NET intermediate build output; dotnet build makes it again.",
     SafetyTier::developer, true, "project.assets.json"},
    {dotnet,
     "bin",
     u".NET build output; dotnet build makes it again.",
     SafetyTier::developer,
     true,
     {},
     {},
     "obj"},
    {dart, ".dart_tool", u"Dart tool cache; dart pub get makes it again."},
    {dart, "build", u"Flutter build output; flutter build makes it again."},
    {mix, "_build", u"Elixir build output; mix compile makes it again."},
    {stack, ".stack-work", u"Haskell build output; stack build makes it again."},
    {cabal, "dist-newstyle", u"Haskell build output; cabal build makes it again."},
    {zig, "zig-cache", u"Zig build cache; zig build makes it again."},
    {zig, ".zig-cache", u"Zig build cache; zig build makes it again."},
    {python, ".pytest_cache", u"pytest cache; pytest makes it again."},
    {python, ".mypy_cache", u"mypy cache; mypy makes it again."},
    {python, ".ruff_cache", u"Ruff cache; ruff makes it again."},
    {python, ".tox", u"tox test environments; tox makes them again."},
    {python, ".nox", u"nox test sessions; nox makes them again."},
    {python, ".venv", virtualEnvironment, SafetyTier::caution, false, environmentMark},
    {python, "venv", virtualEnvironment, SafetyTier::caution, false, environmentMark},
    {anyMarker,
     {},
     u"Cache folder tagged by the tool that made it, which makes it again.",
     SafetyTier::caution,
     false,
     cacheTagName,
     cacheTagSignature},
};

// Never searched anywhere: installed packages, not projects of the user's.
constexpr std::string_view installedPackages = "node_modules";

// A project whose own files changed less long ago than this is being worked on.
constexpr qint64 secondsPerDay = 24 * 60 * 60;
constexpr qint64 dormantAfterDays = 30;

constexpr QStringView changedToday = u"Project changed today.";
constexpr QStringView unchangedOneDay = u"Project unchanged for 1 day.";
constexpr QStringView unchangedDays = u"Project unchanged for %1 days.";

constexpr qint64 never = std::numeric_limits<qint64>::min();

// One project: when its own files last changed, as the walkers find them.
struct Project {
    std::atomic<qint64> newest{never};

    void changedAt(qint64 time) {
        qint64 seen = newest.load(std::memory_order_relaxed);
        while (time > seen && !newest.compare_exchange_weak(seen, time)) {
        }
    }
};

// What the folders below one folder belong to: the innermost project (none outside projects)
// and the tool of the nearest lock file above.
struct Scope {
    Project* project = nullptr;
    const char16_t* lockTool = nullptr;
};

// A build folder found, kept until the walk is over and the project's age is known.
struct Candidate {
    std::string path; // below the home
    const BuildFolder* rule;
    const char16_t* lockTool;
    const Project* project;
};

unsigned markerOf(std::string_view name) {
    for (const MarkerFile& file : markerFiles) {
        if (file.suffix ? name.size() > file.name.size() && name.ends_with(file.name)
                        : name == file.name) {
            return file.marker;
        }
    }
    return 0;
}

const char16_t* lockToolOf(std::string_view name) {
    for (const LockFile& lock : lockFiles) {
        if (name == lock.name) {
            return lock.tool;
        }
    }
    return nullptr;
}

QString ageSentence(qint64 days) {
    if (days <= 0) {
        return changedToday.toString();
    }
    return days == 1 ? unchangedOneDay.toString() : unchangedDays.toString().arg(days);
}

// Leads the folder search: tells projects from other folders, finds their build folders and
// keeps the search out of what is no project of the user's.
class Guide final : public FolderSearch::Guide {
public:
    explicit Guide(const QStringList& unsearched) {
        for (const QString& name : unsearched) {
            m_unsearched.push_back(name.toStdString());
        }
    }

    void visit(FolderSearch::Folder& folder) override {
        if (folder.depth() == 0) {
            visitHome(folder);
            return;
        }
        const auto* scope = static_cast<const Scope*>(folder.context());
        Project* outer = scope != nullptr ? scope->project : nullptr;
        unsigned markers = 0;
        bool hasPackageJson = false;
        bool isEnvironment = false;
        const char16_t* lockHere = nullptr;
        qint64 newestHere = never;
        std::vector<std::string> subfolders;
        folder.list([&](const char* name, Kind kind) {
            if (kind == Kind::folder) {
                subfolders.emplace_back(name);
                return;
            }
            if (kind != Kind::file) {
                return; // a link is no marker, nor one of the project's own files
            }
            const unsigned marker = markerOf(name);
            hasPackageJson = hasPackageJson || marker == node;
            markers |= marker == node ? 0 : marker;
            isEnvironment = isEnvironment || name == environmentMark;
            if (const char16_t* tool = lockToolOf(name)) {
                lockHere = tool;
            }
            if (outer != nullptr) {
                newestHere = std::max(newestHere, folder.modifiedAt(name).value_or(never));
            }
        });
        if (isEnvironment) {
            return;
        }
        const char16_t* lockTool = lockHere != nullptr ? lockHere
                                   : scope != nullptr  ? scope->lockTool
                                                       : nullptr;
        if (hasPackageJson && lockTool != nullptr) {
            markers |= node;
        }
        Project* own = outer;
        std::vector<std::string> offered;
        if (markers != 0) {
            own = newProject();
            if (outer == nullptr) {
                // Its files were not looked at while nobody knew it was a project.
                folder.list([&](const char* name, Kind kind) {
                    if (kind == Kind::file) {
                        newestHere = std::max(newestHere, folder.modifiedAt(name).value_or(never));
                    }
                });
            }
            offered = buildFoldersOf(folder, markers, subfolders, lockTool, own);
        }
        if (own != nullptr) {
            own->changedAt(newestHere);
        }
        for (std::string& name : subfolders) {
            if (name.front() != '.' && name != installedPackages &&
                std::find(offered.begin(), offered.end(), name) == offered.end() &&
                isExactName(name.c_str())) {
                folder.enter(std::move(name));
            }
        }
        if (own != outer || lockTool != (scope != nullptr ? scope->lockTool : nullptr)) {
            folder.setContextBelow(newScope({own, lockTool}));
        }
    }

    // The build folders found, in path order, with their projects' ages as of `now`.
    QList<ProjectSearch::Found> found(const QString& home, qint64 now) {
        std::sort(m_candidates.begin(), m_candidates.end(),
                  [](const Candidate& a, const Candidate& b) { return a.path < b.path; });
        QList<ProjectSearch::Found> found;
        for (const Candidate& candidate : m_candidates) {
            const QString path = QString::fromStdString(candidate.path);
            // A time in the future (a clock set wrong), or none read, reads as a change today.
            const qint64 newest = candidate.project->newest.load();
            const qint64 days =
                newest == never || newest > now ? 0 : (now - newest) / secondsPerDay;
            const BuildFolder& rule = *candidate.rule;
            QString subtitle = rule.subtitle.toString();
            if (candidate.lockTool != nullptr && subtitle.contains(u"%1")) {
                subtitle = subtitle.arg(QString::fromUtf16(candidate.lockTool));
            }
            found.append(
                {.path = home + QLatin1Char('/') + path,
                 .name = path.section(QLatin1Char('/'), -2),
                 .subtitle = subtitle + QLatin1Char(' ') + ageSentence(days),
                 .tier = rule.tier,
                 .policy = {.isSelected = rule.selectedWhenDormant && days >= dormantAfterDays}});
        }
        return found;
    }

private:
    // The home is never a project and its lock files count for nothing: the search only goes on
    // into the folders in it.
    void visitHome(FolderSearch::Folder& folder) {
        folder.list([&](const char* name, Kind kind) {
            if (kind == Kind::folder && name[0] != '.' && isExactName(name) &&
                std::find(m_unsearched.begin(), m_unsearched.end(), name) == m_unsearched.end()) {
                folder.enter(name);
            }
        });
    }

    // The direct subfolders of a project with `markers` that its rules offer, recorded as
    // candidates; returns their names.
    std::vector<std::string> buildFoldersOf(FolderSearch::Folder& folder, unsigned markers,
                                            const std::vector<std::string>& subfolders,
                                            const char16_t* lockTool, const Project* owner) {
        std::vector<std::string> offered;
        const std::string project = folder.path();
        // Folders offered only beside another one come second, once that one is known.
        for (const bool second : {false, true}) {
            for (const std::string& name : subfolders) {
                if (name == ".git" || !isExactName(name.c_str()) ||
                    std::find(offered.begin(), offered.end(), name) != offered.end()) {
                    continue;
                }
                if (const BuildFolder* rule = ruleFor(folder, markers, name, offered, second)) {
                    offered.push_back(name);
                    std::lock_guard lock(m_mutex);
                    m_candidates.push_back({project + '/' + name, rule, lockTool, owner});
                }
            }
        }
        return offered;
    }

    // The first rule that offers the subfolder `name`, or none.
    static const BuildFolder* ruleFor(FolderSearch::Folder& folder, unsigned markers,
                                      const std::string& name,
                                      const std::vector<std::string>& offered, bool second) {
        std::optional<FolderSearch::Subfolder> inside;
        for (const BuildFolder& rule : buildFolders) {
            if ((rule.markers != anyMarker && (rule.markers & markers) == 0) ||
                (!rule.name.empty() && rule.name != name) || rule.besides.empty() == second ||
                (!rule.besides.empty() &&
                 std::find(offered.begin(), offered.end(), rule.besides) == offered.end())) {
                continue;
            }
            if (!inside) {
                inside.emplace(folder.open(name.c_str()));
                if (!*inside || inside->entry(".git")) {
                    return nullptr;
                }
            }
            if (!rule.holds.empty() &&
                inside->entry(std::string(rule.holds).c_str()) != Kind::file) {
                continue;
            }
            if (!rule.signature.empty() &&
                inside->head(std::string(rule.holds).c_str(), rule.signature.size()) !=
                    std::string(rule.signature)) {
                continue;
            }
            return &rule;
        }
        return nullptr;
    }

    Project* newProject() {
        std::lock_guard lock(m_mutex);
        return &m_projects.emplace_back();
    }

    const Scope* newScope(Scope scope) {
        std::lock_guard lock(m_mutex);
        return &m_scopes.emplace_back(scope);
    }

    // Names of the folders directly in the home that are never searched.
    std::vector<std::string> m_unsearched;
    // Guards what the walkers add to below, from several threads at once.
    std::mutex m_mutex;
    // Deques keep their elements where they are while others are added.
    std::deque<Project> m_projects;
    std::deque<Scope> m_scopes;
    std::vector<Candidate> m_candidates;
};

} // namespace

QList<ProjectSearch::Found> ProjectSearch::find(const FileSystem& fileSystem, const QString& home,
                                                const QStringList& offered,
                                                const QStringList& unsearched, qint64 now,
                                                const StopToken& stop) {
    if (home.isEmpty()) {
        return {};
    }
    Guide guide(unsearched);
    fileSystem.searchFolders(home, guide, nullptr, offered, stop);
    return guide.found(home, now);
}

QCoro::Task<QList<FolderItem>> scanProjectBuildFolders(const ScanRun& run, QString home,
                                                       QList<FolderItem> offered) {
    if (home.isEmpty()) {
        co_return {};
    }
    QStringList offeredPaths;
    for (const FolderItem& item : std::as_const(offered)) {
        offeredPaths.append(item.path);
    }
    QStringList unsearched = PlatformCatalogue::of(*run.fileSystem(), home).unsearchedHomeFolders;
    using Measured = std::pair<ProjectSearch::Found, qint64>;
    // The walk of the whole home and the measures of what it finds are one job on the worker: a
    // trip to the GUI thread and back for each of hundreds of folders would cost more than many
    // of them take to measure.
    QFuture<QList<Measured>> searching = QtConcurrent::run(
        &ScanRun::sizingPool(),
        [fileSystem = run.fileSystem(), home, offeredPaths = std::move(offeredPaths),
         unsearched = std::move(unsearched), stop = run.stop()] {
            lowerCurrentThreadPriority();
            QList<Measured> measured;
            for (ProjectSearch::Found& folder :
                 ProjectSearch::find(*fileSystem, home, offeredPaths, unsearched,
                                     QDateTime::currentSecsSinceEpoch(), stop)) {
                if (stop.stopRequested()) {
                    break; // the scan is dropped whole
                }
                // Everything below it goes with it, so everything counts.
                const qint64 size =
                    fileSystem->allocatedSizeOfTree(folder.path, stop, SizeMeasure::whole);
                measured.append({std::move(folder), size});
            }
            return measured;
        });
    const QList<Measured> folders = co_await searching;
    QList<FolderItem> found;
    for (const auto& [folder, size] : folders) {
        if (size > 0) {
            const RecordTraits traits{.category = CleanupCategory::projectBuildFolders,
                                      .safetyTier = folder.tier,
                                      .policy = folder.policy};
            found.append(traits.record(folder.path, size, {folder.name, folder.subtitle}));
        }
    }
    co_return found;
}
