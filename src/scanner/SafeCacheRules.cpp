#include "scanner/Scanner.h"

QCoro::Task<QList<FolderItem>> Scanner::scanSafeCaches(QString home) {
    if (home.isEmpty()) {
        co_return {};
    }
    co_return {};
}
