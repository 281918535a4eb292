#include "model/NumericComparison.h"

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The digit run starting at `from`, without its leading zeros; `from` moves past the run.
QStringView digitRun(QStringView text, qsizetype& from) {
    while (from < text.size() && text[from] == QLatin1Char('0')) {
        ++from;
    }
    const qsizetype start = from;
    while (from < text.size() && isDigit(text[from])) {
        ++from;
    }
    return text.sliced(start, from - start);
}

} // namespace

std::strong_ordering compareNumerically(QStringView a, QStringView b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const QStringView left = digitRun(a, i);
            const QStringView right = digitRun(b, j);
            // Without leading zeros the longer run is the larger number; equal lengths compare
            // digit by digit.
            if (left.size() != right.size()) {
                return left.size() <=> right.size();
            }
            if (const int order = left.compare(right); order != 0) {
                return order <=> 0;
            }
            continue;
        }
        if (a[i] != b[j]) {
            return a[i].unicode() <=> b[j].unicode();
        }
        ++i;
        ++j;
    }
    return (a.size() - i) <=> (b.size() - j);
}
