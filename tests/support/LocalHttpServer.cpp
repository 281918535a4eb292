#include "support/LocalHttpServer.h"

LocalHttpServer::LocalHttpServer() {
    if (!m_server.listen(QHostAddress::LocalHost)) {
        qFatal("cannot listen on 127.0.0.1");
    }
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            m_connections.insert(socket, {});
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { receive(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                if (!m_connections.value(socket).closing) {
                    ++m_closedByClient;
                }
                m_connections.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

void LocalHttpServer::receive(QTcpSocket* socket) {
    Connection& connection = m_connections[socket];
    connection.received += socket->readAll();
    const qsizetype end = connection.received.indexOf("\r\n\r\n");
    if (end < 0 || connection.requested) {
        return;
    }
    connection.requested = true;
    const QByteArray head = connection.received.left(end);
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    m_requests.append({requestLine.value(0), requestLine.value(1), head});
    serve(socket);
}

QUrl LocalHttpServer::url(const QByteArray& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2")
                    .arg(m_server.serverPort())
                    .arg(QString::fromLatin1(path)));
}

void LocalHttpServer::answer(const QByteArray& path, Response response) {
    m_held.removeAll(path);
    m_answers.insert(path, std::move(response));
}

void LocalHttpServer::hold(const QByteArray& path) {
    m_answers.remove(path);
    m_held.append(path);
}

void LocalHttpServer::release(const Response& response) {
    const auto waiting = std::exchange(m_waiting, {});
    for (const QPointer<QTcpSocket>& socket : waiting) {
        if (socket) {
            respond(socket, response);
        }
    }
}

void LocalHttpServer::serve(QTcpSocket* socket) {
    const QByteArray path = m_requests.last().path;
    if (m_held.contains(path)) {
        m_waiting.append(socket);
    } else if (const auto found = m_answers.constFind(path); found != m_answers.cend()) {
        respond(socket, *found);
    } else {
        respond(socket, http(404, "not here"));
    }
}

void LocalHttpServer::respond(QTcpSocket* socket, const Response& response) {
    socket->write(response.bytes);
    if (response.closeAfter) {
        m_connections[socket].closing = true;
        socket->disconnectFromHost();
    }
}

LocalHttpServer::Response LocalHttpServer::http(int status, const QByteArray& body,
                                                const QByteArray& extraHeaders,
                                                bool announceLength) {
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n";
    bytes += "Connection: close\r\n";
    if (announceLength) {
        bytes += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    bytes += extraHeaders;
    bytes += "\r\n";
    bytes += body;
    return {bytes, true};
}

LocalHttpServer::Response LocalHttpServer::redirect(const QByteArray& location) {
    return http(302, {}, "Location: " + location + "\r\n");
}
