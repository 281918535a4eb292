#include "scanner/Scanner.h"

#include "platform/BackgroundThreads.h"
#include "platform/FileSystem.h"
#include "scanner/ScanRun.h"

#include <QCoroFuture>
#include <QtConcurrent>

#include <utility>

Scanner::Scanner(std::shared_ptr<FileSystem> fileSystem)
    : m_fileSystem(std::move(fileSystem)) {}

Scanner& Scanner::shared() {
    static Scanner scanner(FileSystem::system());
    return scanner;
}

QCoro::Task<QList<FolderItem>> Scanner::scanAll(ScanStepSink stepStarted, StopToken stop) {
    // The run lives as long as the scan; the service serves every other window meanwhile.
    ScanRun run(m_fileSystem, std::move(stop));
    co_return co_await run.scan(std::move(stepStarted));
}

QCoro::Task<qint64> Scanner::folderSize(QString path, SizeMeasure measure) {
    // Only the path goes to the worker and only the number comes back.
    QFuture<qint64> measuring = QtConcurrent::run(
        &ScanRun::sizingPool(), [fileSystem = m_fileSystem, path = std::move(path), measure] {
            lowerCurrentThreadPriority();
            return fileSystem->allocatedSizeOfTree(path, StopToken(), measure);
        });
    co_return co_await measuring;
}
