#include "platform/FileSystem.h"
#include "scanner/CategoryRules.h"
#include "scanner/FixedLocationRules.h"
#include "scanner/ScanRun.h"

namespace {

// Plug-in folders belong to the system's Library: removing them takes administrator rights, so
// they go into the administrator command, never into a deletion of ours.
constexpr RecordTraits pluginTraits{
    .category = CleanupCategory::dormantPlugins,
    .safetyTier = SafetyTier::caution,
    .policy = {.isSelected = false, .recreateFolderAfterDelete = true, .requiresSudo = true},
};

constexpr QStringView aaxHost = u"/Applications/Pro Tools.app";
constexpr FixedLocation aaxPlugins{
    .location = u"/Library/Application Support/Avid/Audio/Plug-Ins",
    .name = u"Dormant AAX Plugins (No Pro Tools)",
    .subtitle = u"AAX plug-ins are only used by Pro Tools. Logic Pro exclusively uses Audio Units "
                u"(.component).",
};
constexpr FixedLocation vst2Plugins{
    .location = u"/Library/Audio/Plug-Ins/VST",
    .name = u"Legacy VST2 Plugins",
    .subtitle = u"Legacy VST2 format. Logic Pro and native Apple Silicon DAWs use AU (.component) "
                u"or VST3.",
};

} // namespace

QCoro::Task<QList<FolderItem>> scanDormantPlugins(const ScanRun& run) {
    QList<FolderItem> found;
    // AAX plug-ins are dormant only while their one host is missing.
    if (!run.fileSystem()->fileExists(aaxHost.toString())) {
        co_await fixedPathRule(run, found, aaxPlugins.location.toString(), 0, textsOf(aaxPlugins),
                               pluginTraits);
    }
    co_await fixedPathRule(run, found, vst2Plugins.location.toString(), 0, textsOf(vst2Plugins),
                           pluginTraits);
    co_return found;
}
