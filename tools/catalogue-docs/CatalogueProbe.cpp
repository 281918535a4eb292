#include "tools/catalogue-docs/CatalogueProbe.h"

#include "platform/FileSystem.h"
#include "scanner/PlatformCatalogue.h"
#include "scanner/Scanner.h"

#include <QCoroTask>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <stdexcept>

namespace {

// Any folder that no rule of the catalogue names, for a home the probe never touches.
const QString probeHome = QStringLiteral("/home/probe");

// A disk on which whatever the scanner asks for is there, owned by the home's user and one byte
// large, unless it is listed as missing; folders cannot be listed. It notes every path the scanner
// looks for and every variable it reads. Links and mounts are those of an empty temporary folder:
// none.
class ProbeFileSystem final : public FileSystem {
public:
    ProbeFileSystem(const QString& root, QHash<QString, QByteArray> environment,
                    QSet<QString> missing)
        : FileSystem(QFile::encodeName(root), probeHome, {})
        , m_environment(std::move(environment))
        , m_missing(std::move(missing)) {}

    QByteArray environmentBytes(const QString& name) const override {
        const QMutexLocker lock(&m_mutex);
        m_variablesRead.insert(name);
        return m_environment.value(name);
    }
    // No engine is found without a PATH.
    QProcessEnvironment processEnvironment() const override { return {}; }
    bool fileExists(const QString& path) const override {
        const QMutexLocker lock(&m_mutex);
        m_pathsAsked.insert(path);
        return !m_missing.contains(path);
    }
    std::optional<uint> ownerOf(const QString&) const override { return 1000; }
    std::optional<QStringList> contentsOfDirectory(const QString&) const override {
        return std::nullopt;
    }
    qint64 allocatedSizeOfTree(const QString&, const StopToken&, SizeMeasure) const override {
        return 1;
    }

    QSet<QString> variablesRead() const {
        const QMutexLocker lock(&m_mutex);
        return m_variablesRead;
    }
    QSet<QString> pathsAsked() const {
        const QMutexLocker lock(&m_mutex);
        return m_pathsAsked;
    }

private:
    QHash<QString, QByteArray> m_environment;
    QSet<QString> m_missing;
    // The scanner asks from its worker threads as well.
    mutable QMutex m_mutex;
    mutable QSet<QString> m_variablesRead;
    mutable QSet<QString> m_pathsAsked;
};

// What one scan of the probe disk offers, and what it looked at on the way.
struct ProbeRun {
    QList<FolderItem> found;
    QSet<QString> variablesRead;
    QSet<QString> pathsAsked;
};

ProbeRun probe(const QString& root, QHash<QString, QByteArray> environment, QSet<QString> missing) {
    const auto fileSystem =
        std::make_shared<ProbeFileSystem>(root, std::move(environment), std::move(missing));
    Scanner scanner(fileSystem);
    ProbeRun run{QCoro::waitFor(scanner.scanAll({})), fileSystem->variablesRead(),
                 fileSystem->pathsAsked()};
    return run;
}

QStringList pathsOf(const QList<FolderItem>& items) {
    QStringList paths;
    for (const FolderItem& item : items) {
        paths.append(item.path);
    }
    return paths;
}

} // namespace

QList<CatalogueProbe::Place> CatalogueProbe::places() {
    const QTemporaryDir root;
    if (!root.isValid()) {
        throw std::runtime_error("no temporary folder for the probe's disk");
    }
    // Every place is there but those the scanner looks for and never offers: the hosts whose
    // absence makes a place dormant.
    QSet<QString> missing;
    QSet<QString> variables;
    for (;;) {
        const ProbeRun run = probe(root.path(), {}, missing);
        variables |= run.variablesRead;
        const QStringList offered = pathsOf(run.found);
        const QSet<QString> neverOffered =
            run.pathsAsked - QSet<QString>(offered.begin(), offered.end());
        if ((neverOffered - missing).isEmpty()) {
            break;
        }
        missing |= neverOffered;
    }

    // Then each place found is taken away in turn, which shows the places looked at only where
    // it is missing (a tool's older or newer folder), each after the place it stands in for.
    QList<Place> places;
    QList<QSet<QString>> missingFor; // for each place, what was missing when it was found
    QList<QSet<QString>> pending{missing};
    while (!pending.isEmpty()) {
        const QSet<QString> scenario = pending.takeFirst();
        qsizetype after = 0;
        for (const FolderItem& item : probe(root.path(), {}, scenario).found) {
            const auto known = std::find_if(places.begin(), places.end(), [&](const Place& place) {
                return place.item.path == item.path;
            });
            if (known != places.end()) {
                after = known - places.begin() + 1;
                continue;
            }
            // After the places taken away here, in whose stead it is looked at.
            while (after < places.size() && scenario.contains(places.at(after).item.path)) {
                ++after;
            }
            places.insert(after, {.item = item, .movedBy = {}, .systemOnly = false});
            missingFor.insert(after++, scenario);
            pending.append(scenario + QSet<QString>{item.path});
        }
    }

    // Each variable set alone to a folder of its own shows which places follow it: those no
    // longer offered where they were found.
    QStringList names(variables.begin(), variables.end());
    names.sort();
    for (const QString& name : std::as_const(names)) {
        QHash<QSet<QString>, QStringList> offeredWhere;
        for (qsizetype index = 0; index < places.size(); ++index) {
            const QSet<QString>& scenario = missingFor.at(index);
            if (!offeredWhere.contains(scenario)) {
                offeredWhere.insert(
                    scenario,
                    pathsOf(
                        probe(root.path(), {{name, "/moved/" + name.toUtf8()}}, scenario).found));
            }
            if (!offeredWhere.value(scenario).contains(places.at(index).item.path)) {
                places[index].movedBy.append(name);
            }
        }
    }

    // This system's own locations, resolved on the disk each place was found on.
    QHash<QSet<QString>, QStringList> ownPaths;
    for (qsizetype index = 0; index < places.size(); ++index) {
        const QSet<QString>& scenario = missingFor.at(index);
        if (!ownPaths.contains(scenario)) {
            const ProbeFileSystem disk(root.path(), {}, scenario);
            const PlatformCatalogue own = PlatformCatalogue::of(disk, probeHome);
            for (const auto& locations : {own.safeCaches, own.developerTools}) {
                for (const PlatformCatalogue::Location& location : locations) {
                    ownPaths[scenario].append(location.path);
                }
            }
        }
        Place& place = places[index];
        place.systemOnly = ownPaths.value(scenario).contains(place.item.path);
        if (place.item.path.startsWith(probeHome + QLatin1Char('/'))) {
            place.item.path.replace(0, probeHome.size(), QStringLiteral("~"));
        }
    }
    return places;
}
