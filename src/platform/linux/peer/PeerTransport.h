// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QHostAddress>
#include <QSslCertificate>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class QObject;

namespace kavora {

// The byte stream under a PeerConnection, whichever socket layer carries it: a Qt socket (the
// browser's page, the client side) or the link's own TLS on the descriptor (TlsServerStream).
// Lives on the main thread.
class PeerTransport {
public:
    virtual ~PeerTransport() = default;
    PeerTransport() = default;
    PeerTransport(const PeerTransport&) = delete;
    PeerTransport& operator=(const PeerTransport&) = delete;

    // Told once when the connection has ended on its own or by closeWhenWritten(): reason is
    // empty after an orderly end by either side, else it says what went wrong.
    std::function<void(const std::string& reason)> onEnded;

    // The object the listener counts the connection by, and which its owner becomes the parent
    // of.
    virtual QObject* object() = 0;
    virtual bool isConnected() const = 0;
    // From now on readable is told whenever bytes may have come; it reads them with read().
    virtual void startReading(std::function<void()> readable) = 0;
    // Takes up to size received bytes; 0 when none are left for now.
    virtual std::size_t read(char* into, std::size_t size) = 0;
    // Queues bytes for the peer and gives how many are still waiting to be written.
    virtual std::size_t write(std::string_view bytes) = 0;
    // Ends the connection once what is queued is written.
    virtual void closeWhenWritten() = 0;
    // Ends the connection at once (a Qt socket tells onEnded from inside, the link's own TLS
    // does not).
    virtual void abort() = 0;
    virtual QHostAddress peerAddress() const = 0;
    // The certificate the peer proved it holds; null when it gave none.
    virtual QSslCertificate peerCertificate() const = 0;
};

} // namespace kavora
