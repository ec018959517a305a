// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/TlsListener.h"

#include "platform/linux/peer/PeerSocketOptions.h"

#include <QSslSocket>
#include <QTimer>

#include <algorithm>

#include <unistd.h>

namespace kavora {

namespace {

// The content type of the record every TLS connection opens with (the ClientHello's); an HTTP
// request opens with a method's letter.
constexpr unsigned char kTlsHandshakeRecord = 0x16;

} // namespace

TlsListener::TlsListener(const LinkLimits& limits, ClientCertificate clientCertificate,
                         QObject* parent)
    : QSslServer(parent)
    , limits_(limits)
    , clientCertificate_(clientCertificate)
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

void TlsListener::setIdle(QSslSocket* socket, bool idle)
{
    const auto found = pending_.find(socket);
    if (found != pending_.end())
        found->second.idle = idle;
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

QString TlsListener::addressKey(const QHostAddress& address)
{
    bool isV4 = false;
    const auto v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

bool TlsListener::admits(const QString& address) const
{
    const auto fromAddress
        = std::count_if(pending_.begin(), pending_.end(),
                        [&](const auto& entry) { return entry.second.address == address; });
    return fromAddress < limits_.maxPendingPerAddress;
}

void TlsListener::evictOne()
{
    // The oldest connection of the address that holds the most: a flood from a few addresses
    // evicts its own connections first, and one from many addresses the longest-waiting ones.
    std::map<QString, int> perAddress;
    for (const auto& [socket, entry] : pending_)
        ++perAddress[entry.address];
    const auto oldest = std::min_element(pending_.begin(), pending_.end(), [&](auto& a, auto& b) {
        const auto countA = perAddress[a.second.address];
        const auto countB = perAddress[b.second.address];
        return countA != countB ? countA > countB : a.second.arrival < b.second.arrival;
    });
    if (oldest != pending_.end())
        evict(oldest);
}

bool TlsListener::evictIdleOf(const QString& address)
{
    auto oldestIdle = pending_.end();
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->second.idle && it->second.address == address
            && (oldestIdle == pending_.end() || it->second.arrival < oldestIdle->second.arrival))
            oldestIdle = it;
    }
    if (oldestIdle == pending_.end())
        return false;
    evict(oldestIdle);
    return true;
}

void TlsListener::evict(PendingMap::iterator entry)
{
    auto* socket = static_cast<QSslSocket*>(entry->first);
    const bool handedOver = entry->second.handedOver;
    pending_.erase(entry);
    socket->disconnect(this);
    if (handedOver && onEvicted) {
        onEvicted(socket);
        return;
    }
    socket->abort();
    socket->deleteLater();
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
    const auto address = addressKey(socket->peerAddress());
    if (!admits(address) && !evictIdleOf(address)) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    while (pendingCount() >= std::max(limits_.maxPendingConnections, 1))
        evictOne();
    applyPeerSocketOptions(descriptor, limits_);
    socket->setReadBufferSize(static_cast<qint64>(limits_.readChunkBytes));
    socket->setSslConfiguration(sslConfiguration());
    pending_.emplace(socket, Pending { address, false, false, ++arrivals_ });

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
        // The certificate is who the controller is: a connection without one is refused.
        if (clientCertificate_ == ClientCertificate::Required
            && socket->peerCertificate().isNull()) {
            forget(socket);
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
            return;
        }
        // From here the owner handles the socket's end; the place is freed when it is deleted
        // or released.
        socket->disconnect(this);
        connect(socket, &QObject::destroyed, this, &TlsListener::forget);
        pending_[socket].handedOver = true;
        addPendingConnection(socket); // emits pendingConnectionAvailable
    });
    if (onPlaintext)
        connect(socket, &QSslSocket::readyRead, this, [this, socket] { sniff(socket); });
    else
        startHandshake(socket);
}

void TlsListener::startHandshake(QSslSocket* socket)
{
    socket->startServerEncryption();
    Q_EMIT startedEncryptionHandshake(socket);
}

void TlsListener::sniff(QSslSocket* socket)
{
    // Unencrypted, peek() leaves the byte in the socket for the TLS engine or the owner to read.
    char first = 0;
    if (socket->peek(&first, 1) != 1)
        return;
    QObject::disconnect(socket, &QSslSocket::readyRead, this, nullptr);
    if (static_cast<unsigned char>(first) == kTlsHandshakeRecord)
        startHandshake(socket);
    else
        onPlaintext(socket);
}

} // namespace kavora
