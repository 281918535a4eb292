#include "model/VisibleText.h"

#include <algorithm>
#include <limits>

namespace {

constexpr char16_t mark = u'\uFFFD';
constexpr char16_t ellipsis = u'\u2026';
constexpr qsizetype maximumMarksPerLetter = 4;
// A cut text goes back to a space when one lies within this share of its end.
constexpr qsizetype wordCutShare = 4;

bool disguises(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool isCombiningMark(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

// One pass over `text` that stops as soon as the output is full, so a large text costs no more
// than the excerpt taken from it. Line breaks are held back until a character follows them, so
// that trailing ones neither show nor count.
QString shown(QStringView text, qsizetype maxCharacters, qsizetype maxLines, qsizetype maxMarks) {
    QString out;
    out.reserve(std::min(text.size(), maxCharacters) + 1);
    qsizetype lines = 1;
    qsizetype breaks = 0;
    qsizetype marks = 0;
    bool cut = false;
    bool midWord = false;
    for (qsizetype i = 0; i < text.size();) {
        const QChar unit = text[i];
        const bool pair =
            unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(unit, text[i + 1]) : unit.unicode();
        const qsizetype length = pair ? 2 : 1;
        const QStringView piece = text.mid(i, length);
        i += length;
        if (maxLines > 1 && (c == u'\n' || (c == u'\r' && i < text.size() && text[i] == u'\n'))) {
            i += c == u'\r' ? 1 : 0;
            breaks = out.isEmpty() ? 0 : std::min<qsizetype>(breaks + 1, 2);
            marks = 0;
            continue;
        }
        const bool combining = isCombiningMark(c);
        marks = combining ? marks + 1 : 0;
        if (marks > maxMarks) {
            continue;
        }
        if (lines + breaks > maxLines) {
            cut = true;
            break;
        }
        if (out.size() + breaks + length > maxCharacters) {
            cut = true;
            // Cut inside a word: go back to the space before it.
            midWord = breaks == 0 && !QChar::isSpace(c) && !out.isEmpty() && !out.back().isSpace();
            break;
        }
        if (breaks > 0) {
            out += QString(breaks, u'\n');
            lines += breaks;
            breaks = 0;
        }
        if (disguises(c)) {
            out += mark;
        } else {
            out += piece;
        }
    }
    if (cut) {
        const qsizetype space = midWord ? out.lastIndexOf(u' ') : -1;
        if (space > out.size() - out.size() / wordCutShare) {
            out.truncate(space);
        }
        while (!out.isEmpty() && out.back().isSpace()) {
            out.chop(1);
        }
        out += ellipsis;
    }
    return out;
}

} // namespace

QString visibleText(QStringView text) {
    constexpr qsizetype unlimited = std::numeric_limits<qsizetype>::max();
    return shown(text, unlimited, 1, unlimited);
}

QString visibleExcerpt(QStringView text, qsizetype maxCharacters, qsizetype maxLines) {
    return shown(text, maxCharacters, maxLines, maximumMarksPerLetter);
}
