#include "platform/linux/peer/TlsListener.h"

#include "platform/linux/peer/PeerSocketOptions.h"

#include <QSslSocket>
#include <QTimer>

#include <algorithm>

#include <unistd.h>

namespace kavora {

TlsListener::TlsListener(const LinkLimits& limits, QObject* parent)
    : QSslServer(parent)
    , limits_(limits)
{
    setHandshakeTimeout(static_cast<int>(limits_.handshakeTimeout.count()));
    setListenBacklogSize(limits_.listenBacklog);
}

TlsListener::~TlsListener()
{
    abortHandshakes();
}

void TlsListener::release(QSslSocket* socket)
{
    if (pending_.erase(socket) != 0)
        socket->disconnect(this);
}

void TlsListener::abortHandshakes()
{
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->second.handedOver) {
            ++it;
            continue;
        }
        auto* socket = static_cast<QSslSocket*>(it->first);
        it = pending_.erase(it);
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

bool TlsListener::admits(const QHostAddress& address) const
{
    if (pendingCount() >= limits_.maxPendingConnections)
        return false;
    const auto fromAddress
        = std::count_if(pending_.begin(), pending_.end(), [&](const auto& entry) {
              return entry.second.address.isEqual(address, QHostAddress::TolerantConversion);
          });
    return fromAddress < limits_.maxPendingPerAddress;
}

void TlsListener::forget(QObject* socket)
{
    pending_.erase(socket);
}

void TlsListener::incomingConnection(qintptr descriptor)
{
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(static_cast<int>(descriptor));
        socket->deleteLater();
        return;
    }
    if (!admits(socket->peerAddress())) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    applyPeerSocketOptions(descriptor, limits_);
    socket->setReadBufferSize(static_cast<qint64>(limits_.readChunkBytes));
    socket->setSslConfiguration(sslConfiguration());
    pending_.emplace(socket, Pending { socket->peerAddress(), false });

    auto* deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, this, [this, socket] {
        forget(socket);
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    });
    deadline->start(handshakeTimeout());

    // Whatever ends the connection before the owner takes it frees its place at once.
    connect(socket, &QObject::destroyed, this, &TlsListener::forget);
    connect(socket, &QSslSocket::disconnected, this, [this, socket] {
        if (!socket->isEncrypted()) {
            forget(socket);
            socket->deleteLater();
        }
    });
    connect(socket, &QSslSocket::errorOccurred, this, [this, socket] {
        if (!socket->isEncrypted()) {
            forget(socket);
            socket->deleteLater();
        }
    });
    connect(socket, &QSslSocket::encrypted, this, [this, socket, deadline] {
        deadline->stop();
        deadline->deleteLater();
        // From here the owner handles the socket's end; the place is freed when it is deleted
        // or released.
        socket->disconnect(this);
        connect(socket, &QObject::destroyed, this, &TlsListener::forget);
        pending_[socket].handedOver = true;
        addPendingConnection(socket); // emits pendingConnectionAvailable
    });
    socket->startServerEncryption();
    Q_EMIT startedEncryptionHandshake(socket);
}

} // namespace kavora
