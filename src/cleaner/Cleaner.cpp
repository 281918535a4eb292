#include "cleaner/Cleaner.h"

#include "platform/ContainerEngines.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/ThreadPriority.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QThreadPool>
#include <QtConcurrent>

#include <algorithm>
#include <coroutine>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

namespace {

const char* const failedCommandPrefix = "Failed command: ";

// Removals run here, one at a time, at background priority.
QThreadPool& removalPool() {
    static QThreadPool* pool = newSerialPool(QThread::LowPriority);
    return *pool;
}

// Commands wait here for their child, which inherits the thread's priority: the program's own.
QThreadPool& commandPool() {
    static QThreadPool* pool = newSerialPool(QThread::InheritPriority);
    return *pool;
}

// Resumes the run from the event loop after every event posted before it, the window's reaction to
// a progress report included.
struct EventLoopPass {
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> run) const {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [run] { run.resume(); }, Qt::QueuedConnection);
    }
    void await_resume() const noexcept {}
};

struct Removal {
    enum class Outcome { missing, removed, failed, stopped };
    Outcome outcome = Outcome::missing;
    QString error;
};

Removal removeAndRecreate(const FileSystem& fileSystem, const QString& path, bool recreate,
                          const StopToken& stop) {
    lowerCurrentThreadPriority();
    try {
        // Read before the item goes, so that the folder comes back as it was.
        const auto previous = recreate ? fileSystem.folderAttributes(path) : std::nullopt;
        if (!fileSystem.fileExists(path)) {
            return {};
        }
        if (auto error = fileSystem.removeItem(path, stop)) {
            // Whatever the removal met, an item cut short by a stop is left as it is.
            if (stop.stopRequested()) {
                return {Removal::Outcome::stopped, {}};
            }
            return {Removal::Outcome::failed, std::move(*error)};
        }
        if (recreate) {
            // The item is gone either way; a folder that cannot be made again changes nothing.
            fileSystem.createDirectory(path, previous);
        }
        return {Removal::Outcome::removed, {}};
    } catch (const std::bad_alloc&) {
        return {Removal::Outcome::failed,
                QString::fromStdString(std::generic_category().message(ENOMEM))};
    }
}

struct CommandRun {
    enum class Outcome { succeeded, failed, stopped };
    Outcome outcome = Outcome::failed;
    qint64 freed = 0;
};

// Runs an item's command. A container engine's prune frees what the engine held for it before
// less what it holds afterwards, both asked of the engine (the total the prune prints counts
// records that other images still hold); bytes the engine does not confirm afterwards are not
// claimed. Any other command frees the size the scan recorded.
CommandRun runCommand(const std::shared_ptr<FileSystem>& fileSystem,
                      const ProcessLauncher& launcher, const QString& line, qint64 recorded,
                      const StopToken& stop) {
    using Outcome = CommandRun::Outcome;
    try {
        const auto pool = ContainerEngines::poolFreedBy(line);
        if (!pool) {
            return launcher.runShellCommand(line) ? CommandRun{Outcome::succeeded, recorded}
                                                  : CommandRun{};
        }
        const ContainerEngines engines(fileSystem);
        const qint64 before = engines.reclaimable(*pool, stop).value_or(recorded);
        if (stop.stopRequested()) {
            return {Outcome::stopped, 0};
        }
        if (!launcher.runShellCommand(line)) {
            return {};
        }
        const auto after = engines.reclaimable(*pool, stop);
        return {Outcome::succeeded, after ? std::max<qint64>(before - *after, 0) : 0};
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace

Cleaner::Cleaner(std::shared_ptr<FileSystem> fileSystem, std::shared_ptr<ProcessLauncher> launcher)
    : m_fileSystem(std::move(fileSystem))
    , m_launcher(std::move(launcher)) {}

Cleaner& Cleaner::shared() {
    static Cleaner cleaner(FileSystem::system(), ProcessLauncher::system());
    return cleaner;
}

QCoro::Task<CleanupResult> Cleaner::clean(QList<FolderItem> items, ProgressSink progress,
                                          StopToken stop) {
    items.removeIf([](const FolderItem& item) { return !item.isSelected; });
    const auto count = static_cast<double>(items.size());
    CleanupResult result;
    for (qsizetype i = 0; i < items.size() && !stop.stopRequested(); ++i) {
        const FolderItem& item = items.at(i);
        if (progress) {
            progress(item.name, static_cast<double>(i) / count);
        }
        // Let the window apply and draw the report before the item is touched.
        co_await EventLoopPass{};
        if (stop.stopRequested()) {
            break;
        }

        if (item.requiresSudo) {
            result.sudoCommandsRequired.append(item.path);
            continue;
        }
        if (item.runsCommand()) {
            QFuture<CommandRun> running = QtConcurrent::run(
                &commandPool(), [fileSystem = m_fileSystem, launcher = m_launcher,
                                 line = *item.cliCommand, recorded = item.size, stop] {
                    return runCommand(fileSystem, *launcher, line, recorded, stop);
                });
            const CommandRun run = co_await running;
            switch (run.outcome) {
            case CommandRun::Outcome::succeeded:
                result.totalFreed += run.freed;
                ++result.succeededCount;
                break;
            case CommandRun::Outcome::failed:
                ++result.failedCount;
                result.errors.append(QLatin1String(failedCommandPrefix) + *item.cliCommand);
                break;
            case CommandRun::Outcome::stopped:
                break;
            }
            continue;
        }
        QFuture<Removal> removing =
            QtConcurrent::run(&removalPool(), [fileSystem = m_fileSystem, path = item.path,
                                               recreate = item.recreateFolderAfterDelete, stop] {
                return removeAndRecreate(*fileSystem, path, recreate, stop);
            });
        const Removal removal = co_await removing;
        switch (removal.outcome) {
        case Removal::Outcome::missing:
        case Removal::Outcome::stopped:
            break;
        case Removal::Outcome::removed:
            result.totalFreed += item.size;
            ++result.succeededCount;
            break;
        case Removal::Outcome::failed:
            ++result.failedCount;
            result.errors.append(item.name + QStringLiteral(": ") + removal.error);
            break;
        }
    }
    co_return result;
}
