// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/linux/LocalHttpServer.h"

#include <QTcpSocket>

namespace kavora::test {

LocalHttpServer::LocalHttpServer(Handler handler)
    : handler_(std::move(handler))
{
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
        while (auto* socket = server_.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket] { collect(*socket); });
        }
    });
}

std::string LocalHttpServer::origin() const
{
    return "http://127.0.0.1:" + std::to_string(port());
}

QByteArray LocalHttpServer::pathOf(const QByteArray& head)
{
    return head.split(' ').value(1);
}

void LocalHttpServer::respond(QTcpSocket& socket, const QByteArray& status, const QByteArray& type,
                              const QByteArray& body)
{
    socket.write("HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\nContent-Length: "
                 + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket.disconnectFromHost();
}

void LocalHttpServer::collect(QTcpSocket& socket)
{
    const auto head = socket.property("head").toByteArray() + socket.readAll();
    socket.setProperty("head", head);
    if (!head.contains("\r\n\r\n") || socket.property("served").toBool())
        return;
    socket.setProperty("served", true);
    handler_(socket, head);
}

} // namespace kavora::test
