#include "platform/FileName.h"

#include <QByteArrayView>
#include <QStringDecoder>

std::optional<QString> exactName(QByteArrayView raw) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString name = decoder(raw);
    if (decoder.hasError() || name.toUtf8() != raw) {
        return std::nullopt;
    }
    return name;
}

bool isExactName(const char* bytes) {
    for (const char* at = bytes; *at != '\0'; ++at) {
        if (static_cast<unsigned char>(*at) >= 0x80) {
            return exactName(bytes).has_value();
        }
    }
    return true;
}
