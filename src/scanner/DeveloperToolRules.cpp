#include "scanner/Scanner.h"

QCoro::Task<QList<FolderItem>> Scanner::scanDeveloperTools(QString home) {
    if (home.isEmpty()) {
        co_return {};
    }
    co_return {};
}
