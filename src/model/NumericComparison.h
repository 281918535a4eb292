#pragma once

#include <QStringView>

#include <compare>

// Orders version-like texts the way people read them: every maximal run of decimal digits compares
// by its numeric value (any length), every other character by its value, and a text that is a
// proper prefix of the other is the smaller. So 1.10 > 1.9, 2.0.1 > 2.0 and 1.2 == 1.2.
std::strong_ordering compareNumerically(QStringView a, QStringView b);
