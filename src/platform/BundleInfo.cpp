#include "platform/BundleInfo.h"

#include <QString>

QVariantMap bundleInfoDictionary() {
    return {
        {QStringLiteral("CFBundleShortVersionString"), QStringLiteral(KESTRELLE_VERSION)},
        {QStringLiteral("CFBundleVersion"), QStringLiteral(KESTRELLE_BUILD_NUMBER)},
    };
}
