#include "model/ByteFormatter.h"

#include <array>
#include <cstdint>

namespace {

struct Unit {
    const char* name;
    std::uint64_t divisor;
    int fractionDigits;
};

constexpr std::array<Unit, 5> units{{
    {"bytes", 1, 0},
    {"KB", 1'000, 0},
    {"MB", 1'000'000, 1},
    {"GB", 1'000'000'000, 2},
    {"TB", 1'000'000'000'000, 2},
}};

constexpr std::uint64_t pow10(int digits) {
    std::uint64_t value = 1;
    for (int i = 0; i < digits; ++i) {
        value *= 10;
    }
    return value;
}

// bytes / divisor rounded half up to `digits` fraction digits, as a whole number of the smallest
// fraction step; exact for every positive 64-bit count.
std::uint64_t scaledRounded(std::uint64_t bytes, const Unit& unit) {
    const std::uint64_t step = unit.divisor / pow10(unit.fractionDigits);
    std::uint64_t quotient = bytes / step;
    const std::uint64_t remainder = bytes % step;
    if (step > 1 && remainder >= step - remainder) {
        ++quotient;
    }
    return quotient;
}

QString groupThousands(std::uint64_t value) {
    QString digits = QString::number(value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) {
        digits.insert(i, QLatin1Char(','));
    }
    return digits;
}

} // namespace

const ByteFormatter& ByteFormatter::shared() {
    static const ByteFormatter formatter;
    return formatter;
}

QString ByteFormatter::string(qint64 bytes) const {
    if (bytes <= 0) {
        return QStringLiteral("0 B");
    }
    const auto count = static_cast<std::uint64_t>(bytes);
    std::size_t index = 0;
    while (index + 1 < units.size() && count >= units[index + 1].divisor) {
        ++index;
    }
    std::uint64_t scaled = scaledRounded(count, units[index]);
    // 999,999 bytes would read "1,000 KB": a value that rounds up to 1000 of a unit is shown in
    // the next unit instead, except in the largest one.
    if (index + 1 < units.size() && scaled >= 1000 * pow10(units[index].fractionDigits)) {
        ++index;
        scaled = scaledRounded(count, units[index]);
    }
    const Unit& unit = units[index];
    const std::uint64_t fractionScale = pow10(unit.fractionDigits);
    QString text = groupThousands(scaled / fractionScale);
    std::uint64_t fraction = scaled % fractionScale;
    int digits = unit.fractionDigits;
    while (digits > 0 && fraction % 10 == 0) {
        fraction /= 10;
        --digits;
    }
    if (digits > 0) {
        text +=
            QLatin1Char('.') + QString::number(fraction).rightJustified(digits, QLatin1Char('0'));
    }
    if (index == 0) {
        return text + (count == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
    }
    return text + QLatin1Char(' ') + QLatin1String(unit.name);
}

QString formatBytes(qint64 bytes) {
    return ByteFormatter::shared().string(bytes);
}
