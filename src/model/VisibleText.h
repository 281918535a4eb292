#pragma once

#include <QString>
#include <QStringView>

// Text that comes from outside the program (file and folder names, paths, manifest fields, release
// notes, failure lines) as the window shows it. Such text could otherwise disguise itself or what
// stands around it: a line break invents a line of its own, a right-to-left override turns
// "fdp.exe" into "exe.pdf", a mark moves the neighbouring text. So every control character (C0,
// C1, DEL), line and paragraph separator, bidirectional embedding, override and isolate, and
// left-to-right, right-to-left and Arabic letter mark is shown as U+FFFD instead. Nothing else
// changes; the result is one line.
QString visibleText(QStringView text);

// The start of a long outside text, as visibleText shows it, cheap to lay out whatever it holds:
// at most `maxCharacters` UTF-16 units and `maxLines` lines, then "…" (a word cut in two goes back
// to the space before it). With `maxLines` above 1 a line feed (or CR LF) starts a new line, and
// a run of empty lines shows as one; otherwise it is a mark like any control character. A letter
// keeps at most four combining marks: scripts need no more, and thousands stacked on one letter
// take seconds to lay out.
QString visibleExcerpt(QStringView text, qsizetype maxCharacters, qsizetype maxLines = 1);
