#pragma once

#include "model/FolderItem.h"

#include <QCoroTask>
#include <QList>
#include <QString>

class ScanRun;

// The catalogue's categories, each a table of rules in a file of its own (SafeCacheRules.cpp, ...)
// and one step of a run. Each returns its records in the order found; the home-based ones find
// nothing when `home` is empty.
QCoro::Task<QList<FolderItem>> scanSafeCaches(const ScanRun& run, QString home);
QCoro::Task<QList<FolderItem>> scanDeveloperTools(const ScanRun& run, QString home);
QCoro::Task<QList<FolderItem>> scanSimulators(const ScanRun& run);
QCoro::Task<QList<FolderItem>> scanDormantPlugins(const ScanRun& run);
QCoro::Task<QList<FolderItem>> scanContainerResidue(const ScanRun& run, QString home);
