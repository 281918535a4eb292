#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A scripted HTTP server on 127.0.0.1 inside the test process. Each path answers with fixed bytes,
// or is held open without an answer until the test releases it.
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QByteArray head; // request line and header lines as received
    };

    struct Response {
        QByteArray bytes;       // written as they are: status line, headers, body
        bool closeAfter = true; // false leaves the connection open after the bytes
    };

    LocalHttpServer();

    QUrl url(const QByteArray& path) const;

    void answer(const QByteArray& path, Response response);
    void hold(const QByteArray& path);
    // Answers every held request, each with `response`.
    void release(const Response& response);

    const QList<Request>& requests() const { return m_requests; }
    // Connections that the client closed before the server did.
    int closedByClient() const { return m_closedByClient; }

    // An HTTP/1.1 response that closes the connection. Content-Length is announced unless
    // `announceLength` is false, in which case the end of the connection ends the body.
    static Response http(int status, const QByteArray& body, const QByteArray& extraHeaders = {},
                         bool announceLength = true);
    static Response redirect(const QByteArray& location);

private:
    struct Connection {
        QByteArray received;
        bool requested = false;
        bool closing = false;
    };

    void receive(QTcpSocket* socket);
    void serve(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const Response& response);

    QTcpServer m_server;
    QHash<QTcpSocket*, Connection> m_connections;
    QHash<QByteArray, Response> m_answers;
    QList<QByteArray> m_held;
    QList<QPointer<QTcpSocket>> m_waiting;
    QList<Request> m_requests;
    int m_closedByClient = 0;
};

Q_DECLARE_METATYPE(LocalHttpServer::Response)
