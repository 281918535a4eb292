#include "update/AppUpdateInfo.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Qt's parser drops a U+FEFF that opens a string written out raw (not as \ufeff), and its writer
// writes that character raw, so a text that starts with one loses it on the way round.
QString withoutLeadingByteOrderMarks(QString text) {
    while (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    return text;
}

bool sameManifest(const AppUpdateInfo& a, const AppUpdateInfo& b) {
    const auto same = [](const QString& x, const QString& y) {
        return withoutLeadingByteOrderMarks(x) == withoutLeadingByteOrderMarks(y);
    };
    return a.build == b.build && same(a.version, b.version) &&
           same(a.releaseNotes, b.releaseNotes) && same(a.downloadURL, b.downloadURL) &&
           a.minimumMacOS.has_value() == b.minimumMacOS.has_value() &&
           same(a.minimumMacOS.value_or(QString()), b.minimumMacOS.value_or(QString()));
}

} // namespace

// Any bytes from the network go through the decoder without crashing, and whatever it accepts
// survives encoding and decoding again.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const std::optional<AppUpdateInfo> info = AppUpdateInfo::decode(bytes);
    if (info) {
        const std::optional<AppUpdateInfo> again = AppUpdateInfo::decode(info->encode());
        if (!again || !sameManifest(*again, *info)) {
            std::abort();
        }
    }
    return 0;
}
