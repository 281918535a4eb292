#pragma once

#include "model/FolderItem.h"

#include <QCoroTask>
#include <QList>

class ScanRun;

// The finder that asks this machine's container engines (ContainerEngines), off the GUI thread,
// what their own prune commands free, and returns it as records that run those commands, larger
// than 0 bytes only, in the order of its rules.
QCoro::Task<QList<FolderItem>> scanContainerEngines(const ScanRun& run);
