#pragma once

#include <QStringView>

// A fixed-path rule written as data: where it looks (a literal that follows the home path, or an
// absolute path) and how its record reads.
struct FixedLocation {
    QStringView location;
    QStringView name;
    QStringView subtitle;
};
