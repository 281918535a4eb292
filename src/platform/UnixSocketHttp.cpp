#include "platform/UnixSocketHttp.h"

#include <QList>
#include <QLocalSocket>

#include <algorithm>

namespace {

// More than any engine's report: an answer that keeps coming is not one.
constexpr qsizetype maximumAnswer = qsizetype(256) * 1024 * 1024;

// The body of a complete "200" answer. One to HTTP/1.0 is never sent in chunks.
std::optional<QByteArray> bodyOf(const QByteArray& answer) {
    const qsizetype headEnd = answer.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        return std::nullopt;
    }
    const QList<QByteArray> head = answer.first(headEnd).split('\n');
    const QList<QByteArray> status = head.first().simplified().split(' ');
    if (status.size() < 2 || !status[0].startsWith("HTTP/1.") || status[1] != "200") {
        return std::nullopt;
    }
    QByteArrayView body = QByteArrayView(answer).sliced(headEnd + 4);
    for (const QByteArray& line : head.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = line.first(std::max<qsizetype>(colon, 0)).trimmed().toLower();
        const QByteArray value = line.sliced(colon + 1).trimmed().toLower();
        if (name == "content-length") {
            bool ok = false;
            const qlonglong length = value.toLongLong(&ok);
            if (!ok || length < 0 || length > body.size()) {
                return std::nullopt;
            }
            body = body.first(length);
        }
    }
    return body.toByteArray();
}

} // namespace

std::optional<QByteArray> unixSocketGet(const QString& socketPath, const QByteArray& target,
                                        const QDeadlineTimer& deadline, const StopToken& stop) {
    const auto cutShort = [&] { return stop.stopRequested() || deadline.hasExpired(); };
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    while (socket.state() == QLocalSocket::ConnectingState && !cutShort()) {
        socket.waitForConnected(waitSliceMs(deadline));
    }
    if (socket.state() != QLocalSocket::ConnectedState || cutShort()) {
        return std::nullopt;
    }
    // HTTP/1.0: the daemon answers in one piece and closes the connection when it is done.
    socket.write("GET " + target + " HTTP/1.0\r\nHost: localhost\r\n\r\n");
    QByteArray answer;
    while (socket.state() == QLocalSocket::ConnectedState) {
        if (cutShort() || answer.size() > maximumAnswer) {
            return std::nullopt;
        }
        socket.waitForReadyRead(waitSliceMs(deadline));
        answer += socket.readAll();
    }
    return bodyOf(answer + socket.readAll());
}
