#pragma once

#include "platform/StopToken.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <optional>

// The body of what a local HTTP server (a container engine's daemon) answers to GET `target` on
// the unix socket at `socketPath`. Nothing when the socket cannot be reached (missing, refused,
// not accessible to this user), the answer is not a complete "200", or it has not come when
// `deadline` passes or `stop` is requested.
// Blocking: never call it on the GUI thread.
std::optional<QByteArray> unixSocketGet(const QString& socketPath, const QByteArray& target,
                                        const QDeadlineTimer& deadline, const StopToken& stop);
