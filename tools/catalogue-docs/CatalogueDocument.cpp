#include "tools/catalogue-docs/CatalogueDocument.h"

#include "model/CleanupCategory.h"
#include "model/SafetyTier.h"

#include <QMap>

#include <stdexcept>

namespace {

// The places of each category in the order the scan finds them, categories in their own order.
QList<std::pair<CleanupCategory, QList<CatalogueProbe::Place>>>
byCategory(const QList<CatalogueProbe::Place>& places) {
    QList<std::pair<CleanupCategory, QList<CatalogueProbe::Place>>> groups;
    for (const CatalogueProbe::Place& place : places) {
        if (groups.isEmpty() || groups.last().first != place.item.category) {
            groups.append({place.item.category, {}});
        }
        groups.last().second.append(place);
    }
    return groups;
}

QString atFirst(const FolderItem& item) {
    if (item.requiresSudo) {
        return QStringLiteral("for the administrator line only");
    }
    return item.isSelected ? QStringLiteral("selected at first")
                           : QStringLiteral("not selected at first");
}

QString markdownCell(QString text) {
    return text.replace(QLatin1Char('|'), QLatin1String("\\|"));
}

QString readmeTable(const QList<CatalogueProbe::Place>& places) {
    QString text;
    for (const auto& [category, inCategory] : byCategory(places)) {
        text += QLatin1String("\n**") + title(category) +
                QLatin1String("**\n\n| Target | Place | Moved by | Tier | Offered | Systems |\n"
                              "|---|---|---|---|---|---|\n");
        for (const CatalogueProbe::Place& place : inCategory) {
            QStringList variables;
            for (const QString& variable : place.movedBy) {
                variables.append(QLatin1Char('`') + variable + QLatin1Char('`'));
            }
            text += QLatin1String("| ") + markdownCell(place.item.name) + QLatin1String(" | `") +
                    markdownCell(place.item.path) + QLatin1String("` | ") +
                    variables.join(QLatin1String(", ")) + QLatin1String(" | ") +
                    badgeLabel(place.item.safetyTier) + QLatin1String(" | ") + atFirst(place.item) +
                    QLatin1String(" | ") +
                    (place.systemOnly ? QLatin1String("Linux") : QLatin1String("all")) +
                    QLatin1String(" |\n");
        }
    }
    return text + QLatin1Char('\n');
}

// Plain text for a line of a manual page: a backslash would start an escape, and a line that
// begins with a dot or an apostrophe would be read as a request.
QString roffText(QString text) {
    text.replace(QLatin1Char('\\'), QLatin1String("\\e"));
    if (text.startsWith(QLatin1Char('.')) || text.startsWith(QLatin1Char('\''))) {
        text.prepend(QLatin1String("\\&"));
    }
    return text;
}

// A path as the argument of a font request: quoted for its spaces, with a real minus sign and
// tilde so that it can be copied into a shell.
QString roffPath(QString path) {
    path.replace(QLatin1Char('\\'), QLatin1String("\\e"))
        .replace(QLatin1Char('-'), QLatin1String("\\-"))
        .replace(QLatin1Char('~'), QLatin1String("\\(ti"))
        .replace(QLatin1Char('"'), QLatin1String("\\(dq"));
    return QLatin1Char('"') + path + QLatin1Char('"');
}

QString manualFiles(const QList<CatalogueProbe::Place>& places) {
    QString text;
    for (const auto& [category, inCategory] : byCategory(places)) {
        text += QLatin1String(".SS ") + roffText(title(category)) + QLatin1Char('\n');
        for (const CatalogueProbe::Place& place : inCategory) {
            text +=
                QLatin1String(".TP\n.I ") + roffPath(place.item.path) + QLatin1Char('\n') +
                roffText(place.item.name + QLatin1String(": ") + badgeLabel(place.item.safetyTier) +
                         QLatin1String(", ") + atFirst(place.item)) +
                QLatin1String(".\n");
        }
    }
    return text;
}

QString manualEnvironment(const QList<CatalogueProbe::Place>& places) {
    QMap<QString, QStringList> moves;
    for (const CatalogueProbe::Place& place : places) {
        for (const QString& variable : place.movedBy) {
            // A tool looked for in two places is named once.
            if (!moves[variable].contains(place.item.name)) {
                moves[variable].append(place.item.name);
            }
        }
    }
    QString text;
    for (auto variable = moves.cbegin(); variable != moves.cend(); ++variable) {
        text += QLatin1String(".TP\n.B ") + variable.key() + QLatin1Char('\n') +
                roffText(QLatin1String("Moves ") + variable->join(QLatin1String(", "))) +
                QLatin1String(".\n");
    }
    return text;
}

} // namespace

QString CatalogueDocument::writtenInto(const QString& text) const {
    QString written = text;
    for (const auto& [name, list] : lists) {
        const QString begin = QLatin1String("BEGIN generated ") + name;
        const QString end = QLatin1String("END generated ") + name;
        const qsizetype beginMarker = written.indexOf(begin);
        const qsizetype from = written.indexOf(QLatin1Char('\n'), beginMarker);
        const qsizetype endMarker = written.indexOf(end, from);
        const qsizetype to = written.lastIndexOf(QLatin1Char('\n'), endMarker);
        if (beginMarker < 0 || from < 0 || endMarker < 0 || to < from) {
            throw std::runtime_error(
                QStringLiteral("%1: the markers of the list \"%2\" are missing or out of order")
                    .arg(file, name)
                    .toStdString());
        }
        written.replace(from + 1, to + 1 - (from + 1), list);
    }
    return written;
}

QList<CatalogueDocument> CatalogueDocument::all(const QList<CatalogueProbe::Place>& places) {
    return {{.file = QStringLiteral("README.md"),
             .lists = {{QStringLiteral("catalogue"), readmeTable(places)}}},
            {.file = QStringLiteral("resources/linux/kestrelle.1"),
             .lists = {{QStringLiteral("files"), manualFiles(places)},
                       {QStringLiteral("environment"), manualEnvironment(places)}}}};
}
