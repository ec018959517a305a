// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/peer/LinkLimits.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QSslConfiguration>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QSslSocket;
class QTcpSocket;

namespace kavora {

class TlsListener;
class WebSocketChannel;

// The browser controller's HTTPS server: serves the page's files, compiled in from the
// repository's web/ folder, and the receiver's certificate at /receiver.crt, and upgrades /ws to
// a WebSocket, which it hands to its owner. Each request head must be complete within the
// limits' deadline and size; bodies, other methods, other paths and foreign origins are refused
// with the matching status. A connection counts against the caps of its listener until its
// upgrade is handed over and released; one kept open between requests gives its place to a newer
// connection of its address. Main thread only.
class WebPageServer final : public QObject {
public:
    // One file the server answers with.
    struct File {
        QByteArray contentType;
        QByteArray body;
    };

    WebPageServer(const LinkLimits& limits, const QSslConfiguration& tls);
    ~WebPageServer() override;

    // Receives each upgraded connection, not yet started, with the invitation's size limit.
    std::function<void(WebSocketChannel* channel)> onWebSocket;

    // Listens on the port, or the next free one of a few after it; 0 takes any free port.
    bool listen(const QHostAddress& address, std::uint16_t port);
    // Stops listening and ends every connection not yet upgraded.
    void close();
    bool isListening() const;
    std::uint16_t serverPort() const;
    QString errorString() const;
    // The upgraded socket no longer counts against the caps.
    void release(QObject* connection);
    int pendingCount() const;

    // The files by the path they are served at ("/", "/app.js", "/receiver.crt", ...).
    const std::map<std::string, File>& files() const { return files_; }

private:
    void takeConnections();

    LinkLimits limits_;
    std::map<std::string, File> files_;
    std::unique_ptr<TlsListener> listener_;
};

} // namespace kavora
