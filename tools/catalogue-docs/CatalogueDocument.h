#pragma once

#include "tools/catalogue-docs/CatalogueProbe.h"

#include <QList>
#include <QString>

#include <utility>

// One file of the documentation that holds lists made from the catalogue: where it lies in the
// sources and the text of each of its lists.
struct CatalogueDocument {
    // Relative to the source folder.
    QString file;
    // Each list's marker name and its lines, every one ending in a line break.
    QList<std::pair<QString, QString>> lists;

    // `text` with every list replaced by what is written here; the marker lines and everything
    // outside them stay. Throws when a list's markers are missing or out of order.
    QString writtenInto(const QString& text) const;

    // The README's table of places and the manual page's FILES and ENVIRONMENT lists.
    static QList<CatalogueDocument> all(const QList<CatalogueProbe::Place>& places);
};
