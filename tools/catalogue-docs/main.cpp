// kestrelle-catalogue-docs: writes the catalogue's lists in the README and the manual page from
// the scanner's own tables, so that what the documentation says is looked for and may be deleted
// is what the program does.
//
//   kestrelle-catalogue-docs [--check] SOURCE_DIR
//
// Each list lies between two marker lines ("BEGIN generated NAME" and "END generated NAME", in a
// comment); everything outside them is written by hand and left as it is. With --check nothing is
// written: the exit status is 1, and each file that differs is named, when a file does not hold
// what would be written.

#include "tools/catalogue-docs/CatalogueDocument.h"
#include "tools/catalogue-docs/CatalogueProbe.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <exception>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool check = arguments.removeAll(QStringLiteral("--check")) > 0;
    QTextStream err(stderr);
    if (arguments.size() != 1) {
        err << "Usage: kestrelle-catalogue-docs [--check] SOURCE_DIR\n";
        return 2;
    }
    const QString source = arguments.first();
    try {
        const QList<CatalogueProbe::Place> places = CatalogueProbe::places();
        int differing = 0;
        for (const CatalogueDocument& document : CatalogueDocument::all(places)) {
            const QString path = source + QLatin1Char('/') + document.file;
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                err << path << ": cannot be read\n";
                return 2;
            }
            const QByteArray committed = file.readAll();
            file.close();
            const QByteArray written = document.writtenInto(QString::fromUtf8(committed)).toUtf8();
            if (written == committed) {
                continue;
            }
            ++differing;
            if (check) {
                err << document.file
                    << " differs from what the catalogue's tables give; run "
                       "kestrelle-catalogue-docs SOURCE_DIR and commit the result\n";
            } else if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                       file.write(written) != written.size() || !file.flush()) {
                err << path << ": cannot be written\n";
                return 2;
            } else {
                err << "wrote " << document.file << '\n';
            }
        }
        return check && differing > 0 ? 1 : 0;
    } catch (const std::exception& failure) {
        err << failure.what() << '\n';
        return 2;
    }
}
