#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// A file name as the program may show and use it: only names that decode as UTF-8 and encode back
// to the same bytes, so that joining one to a path names the same entry again. Others cannot be
// named exactly as text and are left out wherever names become text; an environment variable's
// value is judged alike, since read as text it would name another folder.
std::optional<QString> exactName(QByteArrayView bytes);

// Whether `bytes` is such a name, without making its text (plain ASCII, the common case, is
// answered at once).
bool isExactName(const char* bytes);
