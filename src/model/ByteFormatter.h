#pragma once

#include <QString>
#include <QtGlobal>

// Byte counts as the program shows them: decimal multiples, bytes up to terabytes, fraction
// digits adapted to the unit (none for bytes and KB, one for MB, two for GB and TB).
class ByteFormatter {
public:
    // One process-wide instance, created on first use; it holds no mutable state, so any thread may
    // use it.
    static const ByteFormatter& shared();

    QString string(qint64 bytes) const;
};

// Every size on screen goes through here; 0 or less reads "0 B".
QString formatBytes(qint64 bytes);
