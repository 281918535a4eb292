#include "cleaner/Cleaner.h"

#include "platform/BackgroundThreads.h"
#include "platform/ContainerEngines.h"
#include "platform/FileSystem.h"
#include "platform/FreedBytes.h"
#include "platform/ProcessLauncher.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>

#include <algorithm>
#include <cerrno>
#include <coroutine>
#include <new>
#include <optional>
#include <utility>

namespace {

// How often the progress of a removal under way is reported: the bar moves, the window is not
// flooded.
constexpr int progressWithinItemMs = 250;

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

// Reports, while one item is removed, how far the removal has come: the share of the run before
// the item plus the item's share times the bytes freed of its recorded size. Quiet while nothing
// more was freed, and once the recorded size is reached (a run never reports 1).
class ProgressWithinItem {
public:
    ProgressWithinItem(const Cleaner::ProgressSink& sink, const FolderItem& item, double done,
                       double share, std::shared_ptr<const FreedBytes> freed)
        : m_sink(sink)
        , m_name(item.name)
        , m_size(item.size)
        , m_done(done)
        , m_share(share)
        , m_freed(std::move(freed)) {
        if (m_sink && m_size > 0) {
            QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { report(); });
            m_timer.start(progressWithinItemMs);
        }
    }

private:
    void report() {
        const qint64 freed = m_freed->total();
        if (freed > m_reported && freed < m_size) {
            m_reported = freed;
            m_sink(m_name, m_done + m_share * double(freed) / double(m_size));
        }
    }

    const Cleaner::ProgressSink& m_sink;
    const QString m_name;
    const qint64 m_size;
    const double m_done;
    const double m_share;
    const std::shared_ptr<const FreedBytes> m_freed;
    qint64 m_reported = 0;
    QTimer m_timer;
};

struct Removal {
    enum class Outcome { missing, removed, failed, stopped };
    Outcome outcome = Outcome::missing;
    RemovalFailure failure;
};

Removal removeAndRecreate(const FileSystem& fileSystem, const QString& path, bool recreate,
                          const StopToken& stop, FreedBytes* freed) {
    lowerCurrentThreadPriority();
    try {
        // Read before the item goes, so that the folder comes back as it was.
        const auto previous = recreate ? fileSystem.folderAttributes(path) : std::nullopt;
        if (!fileSystem.fileExists(path)) {
            return {};
        }
        if (auto error = fileSystem.removeItem(path, stop, freed)) {
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
        return {Removal::Outcome::failed, {.error = ENOMEM}};
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
                result.errors.append({.name = item.name, .command = *item.cliCommand});
                break;
            case CommandRun::Outcome::stopped:
                break;
            }
            continue;
        }
        const auto freed = std::make_shared<FreedBytes>();
        QFuture<Removal> removing = QtConcurrent::run(
            &removalPool(), [fileSystem = m_fileSystem, path = item.path,
                             recreate = item.recreateFolderAfterDelete, stop, freed] {
                return removeAndRecreate(*fileSystem, path, recreate, stop, freed.get());
            });
        Removal removal;
        {
            const ProgressWithinItem watch(progress, item, static_cast<double>(i) / count,
                                           1.0 / count, freed);
            removal = co_await removing;
        }
        // Whatever ended the removal, what it freed is freed.
        result.totalFreed += freed->total();
        switch (removal.outcome) {
        case Removal::Outcome::missing:
        case Removal::Outcome::stopped:
            break;
        case Removal::Outcome::removed:
            ++result.succeededCount;
            break;
        case Removal::Outcome::failed:
            ++result.failedCount;
            result.errors.append({.name = item.name, .removal = removal.failure});
            break;
        }
    }
    co_return result;
}
