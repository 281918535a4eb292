#include "platform/UnixSocketHttp.h"

#include <QFile>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// More than any engine's report: an answer that keeps coming is not one.
constexpr qsizetype maximumAnswer = qsizetype(256) * 1024 * 1024;

// Closes the socket whichever way the request ends.
class Socket {
public:
    Socket()
        : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {}
    ~Socket() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// Waits, a slice at a time, until `events` can be done on `fd`, or with no events for one slice;
// false once the deadline has passed or a stop was requested.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline, const StopToken& stop) {
    for (;;) {
        if (stop.stopRequested() || deadline.hasExpired()) {
            return false;
        }
        pollfd watched{.fd = fd, .events = events, .revents = 0};
        const int ready = ::poll(&watched, events != 0 ? 1 : 0, waitSliceMs(deadline));
        if (ready > 0 || (ready == 0 && events == 0)) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

// The body of a chunked answer; nothing when it is cut short or malformed.
std::optional<QByteArray> unchunked(QByteArrayView body) {
    QByteArray joined;
    for (;;) {
        const qsizetype lineEnd = body.indexOf("\r\n");
        if (lineEnd < 0) {
            return std::nullopt;
        }
        bool ok = false;
        // A chunk's size line may carry extensions after a ";".
        QByteArrayView sizeLine = body.first(lineEnd);
        sizeLine =
            sizeLine.first(sizeLine.indexOf(';') < 0 ? sizeLine.size() : sizeLine.indexOf(';'));
        const qlonglong length = sizeLine.trimmed().toLongLong(&ok, 16);
        body = body.sliced(lineEnd + 2);
        if (!ok || length < 0 || length > body.size()) {
            return std::nullopt;
        }
        if (length == 0) {
            return joined;
        }
        joined += body.first(length);
        body = body.sliced(length);
        if (!body.startsWith("\r\n")) {
            return std::nullopt;
        }
        body = body.sliced(2);
    }
}

// The body of a complete "200" answer.
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
        if (name == "transfer-encoding" && value.contains("chunked")) {
            return unchunked(body);
        }
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
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || path.contains('\0') ||
        path.size() >= qsizetype(sizeof(address.sun_path))) {
        return std::nullopt;
    }
    std::memcpy(address.sun_path, path.constData(), path.size());
    const Socket socket;
    if (socket.fd() < 0) {
        return std::nullopt;
    }
    const auto* generic = reinterpret_cast<const sockaddr*>(&address);
    while (::connect(socket.fd(), generic, sizeof address) != 0 && errno != EISCONN) {
        // EAGAIN: the daemon's backlog is full; it may take the connection a moment later.
        const short events = errno == EINPROGRESS || errno == EALREADY ? POLLOUT : 0;
        if ((errno != EINTR && errno != EAGAIN && events == 0) ||
            !waitFor(socket.fd(), events, deadline, stop)) {
            return std::nullopt;
        }
    }

    // HTTP/1.0: the daemon answers in one piece and closes the connection when it is done.
    const QByteArray request = "GET " + target + " HTTP/1.0\r\nHost: localhost\r\n\r\n";
    for (qsizetype sent = 0; sent < request.size();) {
        const ssize_t written =
            ::send(socket.fd(), request.constData() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (written > 0) {
            sent += written;
        } else if ((errno != EAGAIN && errno != EINTR) ||
                   !waitFor(socket.fd(), POLLOUT, deadline, stop)) {
            return std::nullopt;
        }
    }
    QByteArray answer;
    char buffer[65536];
    for (;;) {
        const ssize_t received = ::recv(socket.fd(), buffer, sizeof buffer, 0);
        if (received == 0) {
            return bodyOf(answer);
        }
        if (received > 0) {
            answer.append(buffer, received);
            if (answer.size() > maximumAnswer) {
                return std::nullopt;
            }
        } else if ((errno != EAGAIN && errno != EINTR) ||
                   !waitFor(socket.fd(), POLLIN, deadline, stop)) {
            return std::nullopt;
        }
    }
}
