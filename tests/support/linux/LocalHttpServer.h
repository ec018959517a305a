// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QTcpServer>

#include <functional>
#include <string>

class QTcpSocket;

namespace kavora::test {

// An HTTP server on 127.0.0.1 for tests, served by the test's own event loop (which runs while
// a test polls). Each connection's request head is collected and handed to the handler once,
// with the socket to answer on; the handler owns the reply, respond() being the common one.
class LocalHttpServer {
public:
    using Handler = std::function<void(QTcpSocket& socket, const QByteArray& head)>;

    explicit LocalHttpServer(Handler handler);

    quint16 port() const { return server_.serverPort(); }
    // "http://127.0.0.1:PORT".
    std::string origin() const;

    // The path of a request head: the second word of its first line.
    static QByteArray pathOf(const QByteArray& head);
    // A complete response with a length, after which the connection closes.
    static void respond(QTcpSocket& socket, const QByteArray& status, const QByteArray& type,
                        const QByteArray& body);

private:
    void collect(QTcpSocket& socket);

    Handler handler_;
    QTcpServer server_;
};

} // namespace kavora::test
