#include "app/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <chrono>

namespace {

using namespace std::chrono_literals;

// Only a start waits, before it has a window: for the lock, held by another start for at most as
// long as the steps below take, and for a running program's socket, whose connection and the
// write of one line the system completes without that program's help.
constexpr auto lockWait = 3s;
constexpr int socketWaitMs = 1000;

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath)) {}

SingleInstance::~SingleInstance() {
    release();
}

SingleInstance::Role SingleInstance::claim(const QByteArray& activationToken) {
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    // Held until this start has connected or listens. Without it (another start froze holding
    // it) the steps below are still safe for this start; at worst two programs run.
    lock.tryLock(lockWait);

    QLocalSocket running;
    running.connectToServer(m_socketPath);
    if (running.waitForConnected(socketWaitMs)) {
        QByteArray line = activationToken.left(maximumTokenLength);
        line.replace('\n', ' ');
        running.write(line + '\n');
        if (running.waitForBytesWritten(socketWaitMs)) {
            running.disconnectFromServer();
            return Role::forwarded;
        }
        return Role::first;
    }
    if (running.error() == QLocalSocket::ConnectionRefusedError) {
        // A socket that nobody listens on: its program ended without removing it.
        QLocalServer::removeServer(m_socketPath);
    } else if (running.error() != QLocalSocket::ServerNotFoundError) {
        return Role::first; // something answers there, but not as a program of ours would
    }
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (server->listen(m_socketPath)) {
        m_server = server;
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
    } else {
        delete server;
    }
    return Role::first;
}

void SingleInstance::release() {
    if (m_server != nullptr) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
}

void SingleInstance::answer() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > maximumTokenLength) {
                    socket->abort();
                }
                return;
            }
            const QByteArray token = socket->readLine(maximumTokenLength + 2).trimmed();
            socket->disconnectFromServer();
            emit activationRequested(token);
        });
    }
}
