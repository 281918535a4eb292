#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Enumerations with string raw values specialise these: `allCases<E>` lists the cases in
// declaration order and `rawValue(E)` gives each case's string. Decoding is derived from both,
// so a raw value is written exactly once.
template <typename E>
inline constexpr auto allCases = nullptr;

template <typename E>
std::optional<E> fromRawValue(QStringView raw) {
    for (E value : allCases<E>) {
        if (rawValue(value) == raw) {
            return value;
        }
    }
    return std::nullopt;
}
