// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/TlsListener.h"

#include "platform/linux/peer/PeerSocketOptions.h"
#include "platform/linux/peer/TlsServerStream.h"

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

void TlsListener::release(QObject* connection)
{
    if (pending_.erase(connection) != 0)
        connection->disconnect(this);
}

void TlsListener::setIdle(QObject* connection, bool idle)
{
    const auto found = pending_.find(connection);
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
        auto* connection = it->first;
        it = pending_.erase(it);
        drop(connection);
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
    auto* connection = entry->first;
    const bool handedOver = entry->second.handedOver;
    pending_.erase(entry);
    if (handedOver && onEvicted) {
        connection->disconnect(this);
        onEvicted(connection);
        return;
    }
    drop(connection);
}

void TlsListener::forget(QObject* socket)
{
    pending_.erase(socket);
}

void TlsListener::drop(QObject* connection)
{
    connection->disconnect(this);
    if (auto* stream = dynamic_cast<TlsServerStream*>(connection)) {
        stream->onEncrypted = nullptr;
        stream->onEnded = nullptr;
        stream->abort();
    } else {
        static_cast<QSslSocket*>(connection)->abort();
    }
    connection->deleteLater();
}

bool TlsListener::admit(const QString& address)
{
    if (!admits(address) && !evictIdleOf(address))
        return false;
    while (pendingCount() >= std::max(limits_.maxPendingConnections, 1))
        evictOne();
    return true;
}

QTimer* TlsListener::await(QObject* connection, const QString& address)
{
    pending_.emplace(connection, Pending { address, false, false, ++arrivals_ });
    auto* deadline = new QTimer(connection);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, this, [this, connection] {
        forget(connection);
        drop(connection);
    });
    deadline->start(handshakeTimeout());
    // Whatever ends the connection before the owner takes it frees its place at once.
    connect(connection, &QObject::destroyed, this, &TlsListener::forget);
    return deadline;
}

void TlsListener::incomingConnection(qintptr descriptor)
{
    if (clientCertificate_ == ClientCertificate::Required) {
        acceptLinkConnection(descriptor);
        return;
    }
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(static_cast<int>(descriptor));
        socket->deleteLater();
        return;
    }
    const auto address = addressKey(socket->peerAddress());
    if (!admit(address)) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    applyPeerSocketOptions(descriptor, limits_);
    socket->setReadBufferSize(static_cast<qint64>(limits_.readChunkBytes));
    socket->setSslConfiguration(sslConfiguration());
    auto* deadline = await(socket, address);

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
    if (onPlaintext)
        connect(socket, &QSslSocket::readyRead, this, [this, socket] { sniff(socket); });
    else
        startHandshake(socket);
}

void TlsListener::acceptLinkConnection(qintptr descriptor)
{
    if (!context_) {
        const auto configuration = sslConfiguration();
        auto made = makeServerContext(configuration.localCertificate(), configuration.privateKey());
        if (made)
            context_ = std::move(made).value();
    }
    if (!context_) {
        ::close(static_cast<int>(descriptor));
        return;
    }
    auto* stream = new TlsServerStream(static_cast<int>(descriptor), context_.get(), this);
    const auto address = addressKey(stream->peerAddress());
    if (stream->hasEnded() || !admit(address)) {
        stream->abort();
        stream->deleteLater();
        return;
    }
    applyPeerSocketOptions(descriptor, limits_);
    auto* deadline = await(stream, address);
    stream->onEnded = [this, stream](const std::string&) {
        forget(stream);
        stream->deleteLater();
    };
    stream->onEncrypted = [this, stream, deadline] {
        deadline->stop();
        deadline->deleteLater();
        stream->onEncrypted = nullptr;
        stream->onEnded = nullptr;
        if (!onSecured) {
            forget(stream);
            drop(stream);
            return;
        }
        // From here the owner handles the stream's end; the place is freed when it is deleted
        // or released.
        pending_[stream].handedOver = true;
        onSecured(stream);
    };
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
