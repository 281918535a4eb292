#include "model/CleanupCategory.h"

namespace {

struct CategoryAttributes {
    const char* rawValue;
    const char* title;
    const char* summary;
    Symbol symbol;
    Tint tint;
};

const CategoryAttributes& attributes(CleanupCategory category) {
    static const CategoryAttributes table[] = {
        {"safeCaches", "Safe App Caches",
         "Auto-updater staging archives (ShipIt), VS Code VSIX caches, and package downloads that "
         "are 100% disposable.",
         Symbol::sparkles, Tint::green},
        {"developerTools", "Developer Tools & Caches",
         "Old npm tarballs, Gradle build intermediates, Xcode DerivedData, and superseded Android "
         "NDKs.",
         Symbol::hammerFill, Tint::blue},
        {"simulators", "iOS Simulator Caches",
         "Simulator runtimes, device state caches, and dyld shared caches.", Symbol::iphoneGen3,
         Tint::indigo},
        {"dormantPlugins", "Dormant Audio Plugins",
         "AAX plugins with no Pro Tools installed, and legacy VST2 plugins incompatible with Apple "
         "Silicon Logic Pro.",
         Symbol::waveform, Tint::orange},
        {"containerResidue", "Sandbox Extraction Residue",
         "Temporary unzipped installers and archives left inside App Store sandbox containers.",
         Symbol::archiveboxFill, Tint::purple},
        {"projectBuildFolders", "Project Build Folders",
         "Build outputs and installed packages inside your projects, which each project's own "
         "tools make again.",
         Symbol::folderBadgeGearshape, Tint::teal},
    };
    return table[static_cast<int>(category)];
}

} // namespace

QString rawValue(CleanupCategory category) {
    return QString::fromLatin1(attributes(category).rawValue);
}
QString title(CleanupCategory category) {
    return QString::fromUtf8(attributes(category).title);
}
QString summary(CleanupCategory category) {
    return QString::fromUtf8(attributes(category).summary);
}
Symbol symbol(CleanupCategory category) {
    return attributes(category).symbol;
}
Tint tint(CleanupCategory category) {
    return attributes(category).tint;
}
