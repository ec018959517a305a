#pragma once

#include "platform/linux/peer/LinkLimits.h"

#include <QHostAddress>
#include <QSslServer>

#include <map>

class QSslSocket;

namespace kavora {

// The link's TCP listener: TLS 1.3 only, no plaintext. It replaces QSslServer's own intake so
// that admission is decided before any TLS work: at most maxPendingConnections connections that
// are not yet accepted into the session, and maxPendingPerAddress from one address, counting
// those in their TLS handshake and those the owner still holds (waiting for an invitation) until
// it calls release(). A connection over a cap is closed at once. Sockets whose handshake
// finishes within handshakeTimeout are queued as the base class does (pendingConnectionAvailable,
// nextPendingConnection()); any failure or timeout before that closes and deletes the socket.
class TlsListener final : public QSslServer {
public:
    explicit TlsListener(const LinkLimits& limits, QObject* parent = nullptr);
    ~TlsListener() override;

    // Connections counted against the caps.
    int pendingCount() const { return static_cast<int>(pending_.size()); }
    // The socket has been accepted into the session and no longer counts as pending.
    void release(QSslSocket* socket);
    // Closes every connection still in its handshake; those handed over are their owner's to
    // close.
    void abortHandshakes();

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    bool admits(const QHostAddress& address) const;
    void forget(QObject* socket);

    LinkLimits limits_;
    struct Pending {
        QHostAddress address;
        bool handedOver = false; // the handshake is done and the owner holds the socket
    };

    std::map<QObject*, Pending> pending_;
};

} // namespace kavora
