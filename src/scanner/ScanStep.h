#pragma once

#include <functional>

// The steps of a scan, in the order a scan takes them: the five catalogue categories, the search
// of the home's projects, then the container engines. The scanner says which one starts; the
// window says it in words.
enum class ScanStep {
    safeCaches,
    developerTools,
    simulators,
    dormantPlugins,
    containerResidue,
    projectBuildFolders,
    containerEngines
};

// Told of each step just before it starts, on the thread that runs the scan.
using ScanStepSink = std::function<void(ScanStep)>;
