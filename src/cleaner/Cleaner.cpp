#include "cleaner/Cleaner.h"

#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/ThreadPriority.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QThreadPool>
#include <QtConcurrent>

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

bool runCommand(const ProcessLauncher& launcher, const QString& line) {
    try {
        return launcher.runShellCommand(line);
    } catch (const std::bad_alloc&) {
        return false;
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
        if (item.cliCommand && !item.cliCommand->isEmpty()) {
            QFuture<bool> running =
                QtConcurrent::run(&commandPool(), [launcher = m_launcher, line = *item.cliCommand] {
                    return runCommand(*launcher, line);
                });
            if (co_await running) {
                result.totalFreed += item.size;
                ++result.succeededCount;
            } else {
                ++result.failedCount;
                result.errors.append(QLatin1String(failedCommandPrefix) + *item.cliCommand);
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
