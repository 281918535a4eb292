#include "scanner/ContainerEngineRules.h"

#include "platform/BackgroundThreads.h"
#include "platform/ContainerEngines.h"
#include "scanner/RecordTraits.h"
#include "scanner/ScanRun.h"

#include <QCoroFuture>
#include <QThreadPool>
#include <QtConcurrent>

namespace {

using Pool = ContainerEngines::Pool;

// What an engine's prune command frees, offered as a record that runs the command. The engine's
// folder is never removed as a folder: it belongs to a daemon, and only the engine knows what in
// it is still needed. Containers, volumes and networks are never offered: they hold data.
struct EngineRule {
    Pool pool;
    QStringView name;
    QStringView subtitle;
    SafetyTier safetyTier;
    // Never made again and never the administrator's: the engine keeps its folder.
    TargetPolicy policy;
};

constexpr EngineRule engineRules[] = {
    {.pool = Pool::dockerBuildCache,
     .name = u"Docker Build Cache",
     .subtitle = u"Layers and build contexts Docker keeps from earlier builds, which the next "
                 u"build makes again.",
     .safetyTier = SafetyTier::developer,
     .policy = {.isSelected = true}},
    // An image built here from files that have changed since may never build the same again.
    {.pool = Pool::dockerImages,
     .name = u"Docker Unused Images",
     .subtitle = u"Images that no container uses; pulled ones download again, but one built here "
                 u"may not be rebuildable.",
     .safetyTier = SafetyTier::caution,
     .policy = {.isSelected = false}},
    {.pool = Pool::podmanImages,
     .name = u"Podman Unused Images",
     .subtitle = u"Images that no Podman container uses; pulled ones download again, but one "
                 u"built here may not be rebuildable.",
     .safetyTier = SafetyTier::caution,
     .policy = {.isSelected = false}},
};

// Engines are asked here, one question at a time; their programs run at the program's own
// priority, since a daemon answers at its own anyway.
QThreadPool& enginePool() {
    static QThreadPool* pool = newSerialPool(QThread::InheritPriority);
    return *pool;
}

} // namespace

QCoro::Task<QList<FolderItem>> scanContainerEngines(const ScanRun& run) {
    QFuture<QList<ContainerEngines::Reading>> asking =
        QtConcurrent::run(&enginePool(), [fileSystem = run.fileSystem(), stop = run.stop()] {
            return ContainerEngines(fileSystem).read(stop);
        });
    const QList<ContainerEngines::Reading> readings = co_await asking;
    QList<FolderItem> found;
    for (const EngineRule& rule : engineRules) {
        for (const ContainerEngines::Reading& reading : readings) {
            if (reading.pool != rule.pool || reading.reclaimable <= 0) {
                continue;
            }
            const RecordTraits traits{.category = CleanupCategory::developerTools,
                                      .safetyTier = rule.safetyTier,
                                      .policy = rule.policy};
            FolderItem record = traits.record(reading.dataFolder, reading.reclaimable,
                                              {rule.name.toString(), rule.subtitle.toString()});
            record.cliCommand = ContainerEngines::pruneCommand(rule.pool);
            found.append(std::move(record));
        }
    }
    co_return found;
}
