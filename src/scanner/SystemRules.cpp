#include "scanner/Scanner.h"

QCoro::Task<QList<FolderItem>> Scanner::scanSimulators() {
    co_return {};
}

QCoro::Task<QList<FolderItem>> Scanner::scanDormantPlugins() {
    co_return {};
}

QCoro::Task<QList<FolderItem>> Scanner::scanContainerResidue(QString home) {
    if (home.isEmpty()) {
        co_return {};
    }
    co_return {};
}
