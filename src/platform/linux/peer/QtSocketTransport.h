// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/peer/PeerTransport.h"

#include <QMetaObject>

#include <array>

class QTcpSocket;

namespace kavora {

// A PeerTransport over a connected Qt socket (plain or TLS). The socket stays a QObject child
// of whoever takes object(); this only relays its signals while it lives.
class QtSocketTransport final : public PeerTransport {
public:
    QtSocketTransport(QTcpSocket* socket, std::size_t readChunkBytes);
    ~QtSocketTransport() override;

    QObject* object() override;
    bool isConnected() const override;
    void startReading(std::function<void()> readable) override;
    std::size_t read(char* into, std::size_t size) override;
    std::size_t write(std::string_view bytes) override;
    void closeWhenWritten() override;
    void abort() override;
    QHostAddress peerAddress() const override;
    QSslCertificate peerCertificate() const override;

private:
    QTcpSocket* socket_;
    std::function<void()> readable_;
    std::array<QMetaObject::Connection, 3> connections_;
};

} // namespace kavora
