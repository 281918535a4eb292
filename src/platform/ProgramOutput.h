#pragma once

#include "platform/StopToken.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// What a program printed when it was asked something: `program` started with `arguments` (never
// through a shell) and exactly `environment`, its input empty and its errors discarded. Nothing
// when it cannot start, ends otherwise than with status 0, or has not ended when `deadline`
// passes or `stop` is requested. The program runs in a process group of its own: when it is cut
// short, it and everything it started in that group are killed, and it is reaped before this
// returns, so no child outlives the question.
// Blocking: never call it on the GUI thread.
std::optional<QByteArray> programOutput(const QString& program, const QStringList& arguments,
                                        const QProcessEnvironment& environment,
                                        const QDeadlineTimer& deadline, const StopToken& stop);
