// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/QtSocketTransport.h"

#include <QSslSocket>

namespace kavora {

QtSocketTransport::QtSocketTransport(QTcpSocket* socket, std::size_t readChunkBytes)
    : socket_(socket)
{
    socket_->setReadBufferSize(static_cast<qint64>(readChunkBytes));
    connections_ = {
        QObject::connect(socket_, &QTcpSocket::readyRead, socket_,
                         [this] {
                             if (readable_)
                                 readable_();
                         }),
        QObject::connect(socket_, &QTcpSocket::disconnected, socket_,
                         [this] {
                             if (onEnded)
                                 onEnded({});
                         }),
        QObject::connect(socket_, &QTcpSocket::errorOccurred, socket_,
                         [this](QAbstractSocket::SocketError error) {
                             if (onEnded)
                                 onEnded(error == QAbstractSocket::RemoteHostClosedError
                                             ? std::string()
                                             : socket_->errorString().toStdString());
                         }),
    };
}

QtSocketTransport::~QtSocketTransport()
{
    for (const auto& connection : connections_)
        QObject::disconnect(connection);
}

QObject* QtSocketTransport::object()
{
    return socket_;
}

bool QtSocketTransport::isConnected() const
{
    return socket_->state() == QAbstractSocket::ConnectedState;
}

void QtSocketTransport::startReading(std::function<void()> readable)
{
    readable_ = std::move(readable);
}

std::size_t QtSocketTransport::read(char* into, std::size_t size)
{
    if (socket_->bytesAvailable() <= 0)
        return 0;
    const auto read = socket_->read(into, static_cast<qint64>(size));
    return read > 0 ? static_cast<std::size_t>(read) : 0;
}

std::size_t QtSocketTransport::write(std::string_view bytes)
{
    socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
    return static_cast<std::size_t>(socket_->bytesToWrite());
}

void QtSocketTransport::closeWhenWritten()
{
    socket_->disconnectFromHost();
}

void QtSocketTransport::abort()
{
    socket_->abort();
}

QHostAddress QtSocketTransport::peerAddress() const
{
    return socket_->peerAddress();
}

QSslCertificate QtSocketTransport::peerCertificate() const
{
    const auto* tls = qobject_cast<const QSslSocket*>(socket_);
    return tls != nullptr ? tls->peerCertificate() : QSslCertificate();
}

} // namespace kavora
