#include "update/AppUpdateInfo.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>

// Qt's parser is lenient where JSON is not: it lets a raw control character, an escape it does not
// know ("\q") and an escaped surrogate without its partner stand in a string, and a number with no
// digit on one side of its point ("5.", ".5"). It also reads numbers through a double or clamps
// them (9007199254740993.0 reads as ...992, -9223372036854775809 as the smallest 64-bit value), so
// the parsed value alone cannot tell whether "build" is exactly a 64-bit integer. One pass over the
// text refuses what JSON does not allow and writes a copy in which every number is a string of its
// own text; Qt parses that copy as well and so hands back the exact text of the "build" it kept.

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The UTF-16 unit written as four hex digits at `pos`; -1 if there are not four hex digits.
int unitAt(QByteArrayView text, qsizetype pos) {
    int unit = 0;
    for (qsizetype i = pos; i < pos + 4; ++i) {
        const qsizetype digit =
            i < text.size() ? QByteArrayView("0123456789abcdefABCDEF").indexOf(text[i]) : -1;
        if (digit < 0) {
            return -1;
        }
        unit = unit * 16 + static_cast<int>(digit > 15 ? digit - 6 : digit);
    }
    return unit;
}

bool isHighSurrogate(int unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(int unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Where the escape whose backslash is at `pos` ends, if JSON defines it; a high surrogate counts
// only together with the low one that must follow it.
std::optional<qsizetype> afterEscape(QByteArrayView text, qsizetype pos) {
    if (pos + 1 >= text.size()) {
        return std::nullopt;
    }
    const char kind = text[pos + 1];
    if (kind != 'u') {
        return QByteArrayView("\"\\/bfnrt").contains(kind) ? std::optional(pos + 2) : std::nullopt;
    }
    const int unit = unitAt(text, pos + 2);
    if (unit < 0 || isLowSurrogate(unit)) {
        return std::nullopt;
    }
    if (!isHighSurrogate(unit)) {
        return pos + 6;
    }
    if (text.sliced(pos + 6).startsWith("\\u") && isLowSurrogate(unitAt(text, pos + 8))) {
        return pos + 12;
    }
    return std::nullopt;
}

// The document with every number written as a string of its own text, or nothing when a string
// or a number breaks a rule of JSON that Qt's parser lets pass. Everything else is Qt's to judge.
std::optional<QByteArray> withNumbersQuoted(QByteArrayView text) {
    QByteArray quoted;
    quoted.reserve(text.size() + 16);
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos + 1;
        if (text[pos] == '"') {
            while (end < text.size() && text[end] != '"') {
                if (static_cast<unsigned char>(text[end]) < 0x20) {
                    return std::nullopt;
                }
                const std::optional<qsizetype> next =
                    text[end] == '\\' ? afterEscape(text, end) : std::optional(end + 1);
                if (!next) {
                    return std::nullopt;
                }
                end = *next;
            }
            end = std::min(end + 1, text.size());
            quoted.append(text.sliced(pos, end - pos));
        } else if (text[pos] == '-' || text[pos] == '.' || isDigit(text[pos])) {
            end = pos;
            while (end < text.size() &&
                   (isDigit(text[end]) || QByteArrayView("+-.eE").contains(text[end]))) {
                if (text[end] == '.' && (end == pos || !isDigit(text[end - 1]) ||
                                         end + 1 == text.size() || !isDigit(text[end + 1]))) {
                    return std::nullopt;
                }
                ++end;
            }
            quoted.append('"').append(text.sliced(pos, end - pos)).append('"');
        } else {
            quoted.append(text[pos]);
        }
        pos = end;
    }
    return quoted;
}

// The value of the JSON number `literal` when it is exactly an integer within the signed 64-bit
// range: 57, 57.0, 5.7e1, 5700e-2 and -0 are; 57.5 and 57.000000000000000001 are not.
std::optional<qint64> exactInteger(QByteArrayView literal) {
    const qsizetype exponentMark = std::max(literal.indexOf('e'), literal.indexOf('E'));
    const QByteArrayView mantissa = exponentMark < 0 ? literal : literal.first(exponentMark);
    QByteArray digits;
    qint64 scale = 0; // value = digits × 10^scale
    bool inFraction = false;
    for (const char c : mantissa) {
        if (isDigit(c)) {
            digits.append(c);
            scale -= inFraction ? 1 : 0;
        }
        inFraction = inFraction || c == '.';
    }
    if (exponentMark >= 0) {
        // Exponents far beyond anything that matters are clamped; they cannot change the outcome.
        constexpr qint64 exponentClamp = 1'000'000'000;
        qint64 exponent = 0;
        for (const char c : literal.sliced(exponentMark + 1)) {
            exponent = isDigit(c) ? std::min(exponent * 10 + (c - '0'), exponentClamp) : exponent;
        }
        scale += literal.sliced(exponentMark + 1).startsWith('-') ? -exponent : exponent;
    }
    while (digits.endsWith('0')) {
        digits.chop(1);
        ++scale;
    }
    const auto significant =
        std::find_if(digits.cbegin(), digits.cend(), [](char c) { return c != '0'; });
    digits.remove(0, significant - digits.cbegin());
    if (digits.isEmpty()) {
        return 0;
    }
    // 19 digits hold every 64-bit value; the conversion below checks the range within them.
    if (scale < 0 || digits.size() + scale > 19) {
        return std::nullopt;
    }
    const QByteArray text = (literal.startsWith('-') ? QByteArray("-") : QByteArray()) + digits +
                            QByteArray(static_cast<qsizetype>(scale), '0');
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

std::optional<AppUpdateInfo> AppUpdateInfo::decode(QByteArrayView json) {
    const std::optional<QByteArray> quoted = withNumbersQuoted(json);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
    if (!quoted || error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    const QJsonValue version = object.value(QLatin1String("version"));
    const QJsonValue build = object.value(QLatin1String("build"));
    const QJsonValue releaseNotes = object.value(QLatin1String("releaseNotes"));
    const QJsonValue downloadURL = object.value(QLatin1String("downloadURL"));
    const QJsonValue minimumMacOS = object.value(QLatin1String("minimumMacOS"));
    if (!version.isString() || !build.isDouble() || !releaseNotes.isString() ||
        !downloadURL.isString()) {
        return std::nullopt;
    }
    if (!minimumMacOS.isUndefined() && !minimumMacOS.isNull() && !minimumMacOS.isString()) {
        return std::nullopt;
    }

    // The copy has the same members in the same order, so its "build" is the number Qt kept.
    const QJsonValue buildText =
        QJsonDocument::fromJson(*quoted).object().value(QLatin1String("build"));
    const std::optional<qint64> buildNumber =
        buildText.isString() ? exactInteger(buildText.toString().toLatin1()) : std::nullopt;
    if (!buildNumber) {
        return std::nullopt;
    }

    AppUpdateInfo info;
    info.version = version.toString();
    info.build = *buildNumber;
    info.releaseNotes = releaseNotes.toString();
    info.downloadURL = downloadURL.toString();
    if (minimumMacOS.isString()) {
        info.minimumMacOS = minimumMacOS.toString();
    }
    return info;
}

QByteArray AppUpdateInfo::encode() const {
    QJsonObject object{
        {QLatin1String("version"), version},
        {QLatin1String("build"), QJsonValue(build)},
        {QLatin1String("releaseNotes"), releaseNotes},
        {QLatin1String("downloadURL"), downloadURL},
    };
    if (minimumMacOS) {
        object.insert(QLatin1String("minimumMacOS"), *minimumMacOS);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
