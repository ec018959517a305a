// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/peer/LinkLimits.h"
#include "platform/linux/peer/TlsServerContext.h"

#include <QHostAddress>
#include <QSslServer>

#include <cstdint>
#include <functional>
#include <map>

class QSslSocket;
class QTimer;

namespace kavora {

class TlsServerStream;

// The link's TCP listener: TLS 1.3 only, no plaintext, and a client certificate required. It
// replaces QSslServer's own intake so that admission is decided before any TLS work. Pending
// connections are those in their TLS handshake and those the owner still holds (waiting for an
// invitation) until it calls release(). A connection over the cap of its address
// (maxPendingPerAddress) takes the place of that address's oldest idle connection (one its owner
// marked idle: an HTTP connection kept open between requests, which a browser expects the server
// to close at any time), and without one is closed at once; one over the overall cap
// (maxPendingConnections) evicts the oldest pending connection of the address that has the most, so
// that a controller's one connection outlasts a flood from fewer addresses than the cap, and from
// more it is evicted only after the longer-waiting ones. Connections whose handshake finishes
// within handshakeTimeout with a client certificate are handed to onSecured as a TlsServerStream
// (the link's own TLS on the descriptor, without Qt's socket layers); any failure or timeout
// before that closes and deletes the connection.
//
// The browser controller's page is served by a listener that asks for no certificate (a browser
// is known by the credential it sends later), where the link's requires one. Its connections are
// QSslSockets queued as the base class does (pendingConnectionAvailable, nextPendingConnection()),
// and it gives plain-HTTP connections to its owner (onPlaintext) instead of failing their
// handshake.
class TlsListener final : public QSslServer {
public:
    enum class ClientCertificate : std::uint8_t { Required, NotAsked };

    explicit TlsListener(const LinkLimits& limits,
                         ClientCertificate clientCertificate = ClientCertificate::Required,
                         QObject* parent = nullptr);
    ~TlsListener() override;

    // Connections counted against the caps.
    int pendingCount() const { return static_cast<int>(pending_.size()); }
    // The socket has been accepted into the session and no longer counts as pending.
    void release(QObject* connection);
    // A handed-over connection waits for its peer's next request, and may make room for a newer
    // connection of its address.
    void setIdle(QObject* connection, bool idle);
    // Closes every connection still in its handshake; those handed over are their owner's to
    // close.
    void abortHandshakes();

    // The address as the caps count it: an IPv4 address seen through an IPv6 socket is that
    // IPv4 address.
    static QString addressKey(const QHostAddress& address);

    // Asked to close a handed-over connection (a QSslSocket, or a TlsServerStream of the link)
    // that is evicted to make room; it no longer counts.
    std::function<void(QObject* connection)> onEvicted;
    // Given each link connection whose handshake is done (ClientCertificate::Required); the
    // receiver takes it over at once (its parent, its end). Without it they are closed.
    std::function<void(TlsServerStream* stream)> onSecured;
    // When set, TLS starts only once the connection's first byte has come: a connection that
    // does not open with a TLS handshake record is given here, unencrypted, with that byte still
    // unread. It stays the listener's, counted against the caps and cut by the handshake
    // deadline, and is deleted when it disconnects. Unset (the link), the handshake starts at
    // once and plaintext fails it.
    std::function<void(QSslSocket* socket)> onPlaintext;

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Pending {
        QString address; // as addressKey() gives it
        bool handedOver = false; // the handshake is done and the owner holds the socket
        bool idle = false; // see setIdle()
        std::uint64_t arrival = 0; // the order of arrival, oldest first
    };
    using PendingMap = std::map<QObject*, Pending>;

    void acceptLinkConnection(qintptr descriptor);
    // Makes room for a connection from the address; false when it is to be refused.
    bool admit(const QString& address);
    // Counts it as pending, with its handshake deadline.
    QTimer* await(QObject* connection, const QString& address);
    void startHandshake(QSslSocket* socket);
    void sniff(QSslSocket* socket);
    bool admits(const QString& address) const;
    bool evictIdleOf(const QString& address);
    void evictOne();
    void evict(PendingMap::iterator entry);
    void forget(QObject* socket);
    void drop(QObject* connection);

    LinkLimits limits_;
    ClientCertificate clientCertificate_;
    PendingMap pending_;
    std::uint64_t arrivals_ = 0;
    ServerContext context_; // made from the configuration at the first link connection
};

} // namespace kavora
