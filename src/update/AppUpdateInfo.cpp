#include "update/AppUpdateInfo.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

// Qt's JSON parser keeps an integer literal exactly when it fits in 64 bits, but it quietly turns a
// negative literal below the range into the smallest 64-bit value, and it reads any literal with a
// fraction or an exponent through a double (so 9007199254740993.0 becomes ...992). The parsed value
// alone therefore cannot tell a valid build number from an out-of-range one, so "build" is decided
// from its own text, found by a small scan over the document that Qt has already accepted.

namespace {

bool isJsonSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (isDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Reads a top-level document, one member at a time, without building values.
class MemberScanner {
public:
    explicit MemberScanner(QByteArrayView text)
        : m_text(text) {}

    // The raw text of the last top-level member named `key`; nothing if there is none or if the
    // document holds something that strict JSON does not allow where the scan has to look.
    std::optional<QByteArrayView> lastMember(QStringView key) {
        if (m_text.startsWith("\xEF\xBB\xBF")) {
            m_pos = 3; // Qt accepts a leading byte-order mark
        }
        skipSpace();
        if (!consume('{')) {
            return std::nullopt;
        }
        std::optional<QByteArrayView> found;
        skipSpace();
        if (consume('}')) {
            return std::nullopt;
        }
        while (true) {
            skipSpace();
            const std::optional<QString> name = readString();
            skipSpace();
            if (!name || !consume(':')) {
                return std::nullopt;
            }
            skipSpace();
            const qsizetype start = m_pos;
            if (!skipValue()) {
                return std::nullopt;
            }
            if (*name == key) {
                found = m_text.sliced(start, m_pos - start);
            }
            skipSpace();
            if (consume('}')) {
                return found;
            }
            if (!consume(',')) {
                return std::nullopt;
            }
        }
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek() const { return m_text[m_pos]; }

    bool consume(char c) {
        if (!atEnd() && peek() == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    void skipSpace() {
        while (!atEnd() && isJsonSpace(peek())) {
            ++m_pos;
        }
    }

    // A string starting at its opening quote, decoded. Qt reads undefined escapes such as "\q"
    // leniently; a key written that way cannot be matched with confidence, so it fails the scan.
    std::optional<QString> readString() {
        if (!consume('"')) {
            return std::nullopt;
        }
        QString result;
        qsizetype runStart = m_pos;
        while (!atEnd()) {
            const char c = peek();
            if (c == '"') {
                result += QString::fromUtf8(m_text.sliced(runStart, m_pos - runStart));
                ++m_pos;
                return result;
            }
            if (c != '\\') {
                ++m_pos;
                continue;
            }
            result += QString::fromUtf8(m_text.sliced(runStart, m_pos - runStart));
            ++m_pos;
            if (atEnd()) {
                return std::nullopt;
            }
            const char escaped = peek();
            ++m_pos;
            switch (escaped) {
            case '"':
            case '\\':
            case '/':
                result += QLatin1Char(escaped);
                break;
            case 'b':
                result += QLatin1Char('\b');
                break;
            case 'f':
                result += QLatin1Char('\f');
                break;
            case 'n':
                result += QLatin1Char('\n');
                break;
            case 'r':
                result += QLatin1Char('\r');
                break;
            case 't':
                result += QLatin1Char('\t');
                break;
            case 'u': {
                if (m_text.size() - m_pos < 4) {
                    return std::nullopt;
                }
                char16_t unit = 0;
                for (int i = 0; i < 4; ++i) {
                    const int digit = hexValue(m_text[m_pos + i]);
                    if (digit < 0) {
                        return std::nullopt;
                    }
                    unit = static_cast<char16_t>(unit * 16 + digit);
                }
                m_pos += 4;
                result += QChar(unit);
                break;
            }
            default:
                return std::nullopt;
            }
            runStart = m_pos;
        }
        return std::nullopt;
    }

    bool skipString() {
        ++m_pos; // opening quote
        while (!atEnd()) {
            const char c = peek();
            ++m_pos;
            if (c == '\\') {
                ++m_pos;
            } else if (c == '"') {
                return true;
            }
        }
        return false;
    }

    bool skipValue() {
        if (atEnd()) {
            return false;
        }
        if (peek() == '"') {
            return skipString();
        }
        if (peek() == '{' || peek() == '[') {
            qsizetype depth = 0;
            while (!atEnd()) {
                const char c = peek();
                if (c == '"') {
                    if (!skipString()) {
                        return false;
                    }
                    continue;
                }
                ++m_pos;
                if (c == '{' || c == '[') {
                    ++depth;
                } else if ((c == '}' || c == ']') && --depth == 0) {
                    return true;
                }
            }
            return false;
        }
        const qsizetype start = m_pos;
        while (!atEnd() && !isJsonSpace(peek()) && peek() != ',' && peek() != '}' &&
               peek() != ']') {
            ++m_pos;
        }
        return m_pos > start;
    }

    QByteArrayView m_text;
    qsizetype m_pos = 0;
};

// True when every string of a document that Qt has accepted is valid JSON text as well: Qt lets a
// raw control character through, and an escaped surrogate that has no partner.
bool stringsAreStrict(QByteArrayView text) {
    const auto unitAt = [&text](qsizetype pos) {
        int unit = 0;
        for (qsizetype i = pos; i < pos + 4 && i < text.size(); ++i) {
            unit = unit * 16 + std::max(hexValue(text[i]), 0);
        }
        return unit;
    };
    const auto isHigh = [](int unit) { return unit >= 0xD800 && unit <= 0xDBFF; };
    const auto isLow = [](int unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
    bool inString = false;
    for (qsizetype pos = 0; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (!inString) {
            inString = c == '"';
        } else if (c == '"') {
            inString = false;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            return false;
        } else if (c == '\\' && pos + 1 < text.size() && text[++pos] == 'u') {
            const int unit = unitAt(pos + 1);
            pos += 4;
            if (isLow(unit)) {
                return false;
            }
            if (isHigh(unit)) {
                if (pos + 6 >= text.size() || text[pos + 1] != '\\' || text[pos + 2] != 'u' ||
                    !isLow(unitAt(pos + 3))) {
                    return false;
                }
                pos += 6;
            }
        }
    }
    return true;
}

// The value of a JSON number text (strict grammar: no leading zeros, no bare "5." or ".5") when it
// is exactly an integer within the signed 64-bit range. 57, 57.0, 5.7e1, 5700e-2 and -0 qualify.
std::optional<qint64> exactInteger(QByteArrayView text) {
    qsizetype pos = 0;
    const auto digitsFrom = [&](qsizetype from) {
        while (pos < text.size() && isDigit(text[pos])) {
            ++pos;
        }
        return text.sliced(from, pos - from);
    };

    const bool negative = text.startsWith('-');
    if (negative) {
        ++pos;
    }
    const QByteArrayView integerDigits = digitsFrom(pos);
    if (integerDigits.isEmpty() || (integerDigits.size() > 1 && integerDigits.front() == '0')) {
        return std::nullopt;
    }
    QByteArrayView fractionDigits;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        fractionDigits = digitsFrom(pos);
        if (fractionDigits.isEmpty()) {
            return std::nullopt;
        }
    }
    // Exponents far beyond anything that matters are clamped; they cannot change the outcome.
    constexpr qint64 exponentClamp = 1'000'000'000;
    qint64 exponent = 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            negativeExponent = text[pos] == '-';
            ++pos;
        }
        const QByteArrayView exponentDigits = digitsFrom(pos);
        if (exponentDigits.isEmpty()) {
            return std::nullopt;
        }
        for (char digit : exponentDigits) {
            exponent = std::min(exponent * 10 + (digit - '0'), exponentClamp);
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }

    // value = digits × 10^scale
    std::string digits(integerDigits.begin(), integerDigits.end());
    digits.append(fractionDigits.begin(), fractionDigits.end());
    qint64 scale = exponent - fractionDigits.size();
    const std::size_t firstSignificant = digits.find_first_not_of('0');
    if (firstSignificant == std::string::npos) {
        return 0;
    }
    digits.erase(0, firstSignificant);
    const std::size_t lastSignificant = digits.find_last_not_of('0');
    scale += static_cast<qint64>(digits.size() - 1 - lastSignificant);
    digits.erase(lastSignificant + 1);
    // 10^19 is beyond 2^63, so more than 19 digits in all cannot fit; 19 fit in 64 unsigned bits.
    if (scale < 0 || static_cast<qint64>(digits.size()) + scale > 19) {
        return std::nullopt;
    }
    std::uint64_t magnitude = 0;
    for (char digit : digits) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(digit - '0');
    }
    for (qint64 i = 0; i < scale; ++i) {
        magnitude *= 10;
    }
    constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<qint64>::max());
    if (magnitude > largest + (negative ? 1 : 0)) {
        return std::nullopt;
    }
    if (!negative) {
        return static_cast<qint64>(magnitude);
    }
    return magnitude == largest + 1 ? std::numeric_limits<qint64>::min()
                                    : -static_cast<qint64>(magnitude);
}

} // namespace

std::optional<AppUpdateInfo> AppUpdateInfo::decode(QByteArrayView json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject() ||
        !stringsAreStrict(json)) {
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

    const std::optional<QByteArrayView> buildText = MemberScanner(json).lastMember(u"build");
    const std::optional<qint64> buildNumber = buildText ? exactInteger(*buildText) : std::nullopt;
    // The scan must have found the member that Qt decoded: both agree at double precision.
    if (!buildNumber || static_cast<double>(*buildNumber) != build.toDouble()) {
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
