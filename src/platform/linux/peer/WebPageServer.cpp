// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/WebPageServer.h"

#include "platform/linux/peer/TlsListener.h"
#include "platform/linux/peer/WebSocketChannel.h"
#include "wire/HttpRequestHead.h"
#include "wire/WebSocketFrames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSslSocket>
#include <QTimer>

#include <string_view>

namespace kavora {

namespace {

// Other ports tried after the configured one when it is taken.
constexpr int kPortAttempts = 20;
constexpr std::string_view kWebSocketPath = "/ws";
constexpr const char* kPageResources = ":/web";

// Sent with every answer: the page runs only its own files, is never framed, and the pairing
// code in its address never leaves in a Referer.
constexpr std::string_view kCommonHeaders
    = "Content-Security-Policy: default-src 'none'; script-src 'self'; style-src 'self'; "
      "img-src 'self' data:; connect-src 'self'; manifest-src 'self'; base-uri 'none'; "
      "form-action 'none'; frame-ancestors 'none'\r\n"
      "X-Content-Type-Options: nosniff\r\n"
      "Referrer-Policy: no-referrer\r\n"
      "Cache-Control: no-store\r\n";

QByteArray contentTypeOf(const QString& name)
{
    static const std::map<QString, QByteArray> types {
        { QStringLiteral("html"), "text/html; charset=utf-8" },
        { QStringLiteral("js"), "text/javascript; charset=utf-8" },
        { QStringLiteral("mjs"), "text/javascript; charset=utf-8" },
        { QStringLiteral("css"), "text/css; charset=utf-8" },
        { QStringLiteral("svg"), "image/svg+xml" },
        { QStringLiteral("png"), "image/png" },
        { QStringLiteral("ico"), "image/x-icon" },
        { QStringLiteral("json"), "application/json" },
        { QStringLiteral("webmanifest"), "application/manifest+json" },
        { QStringLiteral("txt"), "text/plain; charset=utf-8" },
    };
    const auto found = types.find(name.section(QLatin1Char('.'), -1).toLower());
    return found != types.end() ? found->second : QByteArray("application/octet-stream");
}

std::string answerHead(int status, std::string_view extraHeaders, std::size_t contentLength,
                       bool keepAlive)
{
    std::string head = "HTTP/1.1 " + std::to_string(status) + " "
        + std::string(httpReasonPhrase(status)) + "\r\n";
    head += kCommonHeaders;
    head += extraHeaders;
    head += "Content-Length: " + std::to_string(contentLength) + "\r\n";
    head += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    head += "\r\n";
    return head;
}

// One browser connection until it is upgraded or ends: reads request heads under the deadline
// and size limit and answers each, keeping the connection for the next while the browser wants.
class PageConnection final : public QObject {
public:
    PageConnection(QSslSocket* socket, const LinkLimits& limits, const WebPageServer& server,
                   TlsListener& listener)
        : QObject(socket)
        , socket_(socket)
        , limits_(limits)
        , server_(server)
        , listener_(listener)
    {
        deadline_.setSingleShot(true);
        connect(&deadline_, &QTimer::timeout, this, [this] {
            // A kept connection that stays idle is closed without a word; a request that
            // started and did not finish is told why.
            if (answered_ && buffer_.empty())
                end();
            else
                refuse(408);
        });
        deadline_.start(limits_.requestHeadTimeout);
        connect(socket_, &QSslSocket::readyRead, this, &PageConnection::readAvailable);
        connect(socket_, &QSslSocket::disconnected, socket_, &QObject::deleteLater);
        readAvailable();
    }

private:
    void readAvailable()
    {
        if (closing_)
            return;
        listener_.setIdle(socket_, false);
        buffer_ += socket_->read(static_cast<qint64>(limits_.maxRequestHeadBytes)).toStdString();
        while (!closing_) {
            const auto parsed = parseHttpRequestHead(buffer_, limits_.maxRequestHeadBytes);
            if (parsed.status == HttpHeadParse::Status::NeedMore)
                break;
            if (parsed.status != HttpHeadParse::Status::Complete) {
                refuse(parsed.httpStatus());
                return;
            }
            buffer_.erase(0, parsed.consumed);
            if (answer(parsed.head))
                return; // upgraded: the socket is the channel's now
        }
        // Something still in the socket's buffer (it reads in bounded chunks) comes next time.
        if (!closing_ && socket_->bytesAvailable() > 0)
            QTimer::singleShot(0, this, &PageConnection::readAvailable);
        else if (!closing_ && answered_ && buffer_.empty())
            listener_.setIdle(socket_, true);
    }

    // Answers one request; true when the connection was upgraded and handed over.
    bool answer(const HttpRequestHead& head)
    {
        const auto path = requestPath(head.target);
        if (!path) {
            refuse(400);
            return false;
        }
        if (*path == kWebSocketPath)
            return upgrade(head);
        if (head.method != "GET" && head.method != "HEAD") {
            send(405, "Allow: GET, HEAD\r\n", {}, head, Close::Yes);
            return false;
        }
        const auto found = server_.files().find(*path);
        if (found == server_.files().end()) {
            send(404, "Content-Type: text/plain; charset=utf-8\r\n", "Not Found\n", head,
                 Close::No);
            return false;
        }
        send(200, "Content-Type: " + found->second.contentType.toStdString() + "\r\n",
             found->second.body, head, Close::No);
        return false;
    }

    bool upgrade(const HttpRequestHead& head)
    {
        const auto key = webSocketUpgradeKey(head);
        if (!key) {
            send(400, "Sec-WebSocket-Version: 13\r\n", {}, head, Close::Yes);
            return false;
        }
        // Another site's page in the same browser may not open the controller's socket.
        const auto origin = head.field("origin");
        if (origin && *origin != "https://" + head.field("host").value_or(std::string())) {
            send(403, {}, {}, head, Close::Yes);
            return false;
        }
        const auto accept = QCryptographicHash::hash(QByteArray::fromStdString(
                                                         key.value() + std::string(kWebSocketGuid)),
                                                     QCryptographicHash::Sha1)
                                .toBase64()
                                .toStdString();
        const std::string answer = "HTTP/1.1 101 Switching Protocols\r\n"
                                   "Upgrade: websocket\r\n"
                                   "Connection: Upgrade\r\n"
                                   "Sec-WebSocket-Accept: "
            + accept + "\r\n\r\n";
        socket_->write(answer.data(), static_cast<qint64>(answer.size()));
        deadline_.stop();
        closing_ = true;
        socket_->disconnect(this);
        disconnect(socket_, &QSslSocket::disconnected, socket_, &QObject::deleteLater);
        auto* channel = new WebSocketChannel(socket_, std::exchange(buffer_, {}), limits_,
                                             limits_.maxInvitationBytes);
        deleteLater();
        if (server_.onWebSocket)
            server_.onWebSocket(channel);
        else
            channel->deleteLater();
        return true;
    }

    enum class Close : std::uint8_t { Yes, No };

    void send(int status, std::string_view headers, const QByteArray& body,
              const HttpRequestHead& head, Close close)
    {
        const bool keepAlive = close == Close::No && head.keepsAlive();
        const auto text
            = answerHead(status, headers, static_cast<std::size_t>(body.size()), keepAlive);
        socket_->write(text.data(), static_cast<qint64>(text.size()));
        if (head.method != "HEAD")
            socket_->write(body);
        answered_ = true;
        if (!keepAlive) {
            end();
            return;
        }
        deadline_.start(limits_.requestHeadTimeout); // for the next request
    }

    void refuse(int status)
    {
        if (closing_)
            return;
        const auto text = answerHead(status, {}, 0, false);
        socket_->write(text.data(), static_cast<qint64>(text.size()));
        end();
    }

    void end()
    {
        closing_ = true;
        deadline_.stop();
        buffer_.clear();
        // Flushes the answer; a peer that does not take it is cut off by the linger deadline.
        socket_->disconnectFromHost();
        if (socket_->state() != QAbstractSocket::UnconnectedState)
            QTimer::singleShot(limits_.lingerTimeout, socket_, &QObject::deleteLater);
    }

    QSslSocket* socket_;
    LinkLimits limits_;
    const WebPageServer& server_;
    TlsListener& listener_;
    QTimer deadline_;
    std::string buffer_;
    bool answered_ = false; // at least one request on this connection was answered
    bool closing_ = false;
};

// A connection that sent plain HTTP: its one request is answered with a permanent redirect to the
// same address over HTTPS, and nothing else is served. The listener still counts the socket and
// cuts it at its handshake deadline, and deletes it once it has disconnected.
class PlainRedirect final : public QObject {
public:
    PlainRedirect(QSslSocket* socket, const LinkLimits& limits)
        : QObject(socket)
        , socket_(socket)
        , limits_(limits)
    {
        connect(socket_, &QSslSocket::readyRead, this, &PlainRedirect::readAvailable);
        readAvailable();
    }

private:
    void readAvailable()
    {
        if (done_)
            return;
        buffer_ += socket_->read(static_cast<qint64>(limits_.maxRequestHeadBytes)).toStdString();
        const auto parsed = parseHttpRequestHead(buffer_, limits_.maxRequestHeadBytes);
        if (parsed.status == HttpHeadParse::Status::NeedMore)
            return;
        done_ = true;
        buffer_.clear();
        if (parsed.status != HttpHeadParse::Status::Complete) {
            const auto text = answerHead(parsed.httpStatus(), {}, 0, false);
            finish(text);
            return;
        }
        const auto location = httpsRedirectLocation(parsed.head, ownHost(), socket_->localPort());
        // Built in steps: GCC 12 at -O3 misreads the chained operator+ (-Wrestrict).
        std::string body = "Moved to ";
        body += location;
        body += '\n';
        auto text = answerHead(
            301, "Location: " + location + "\r\nContent-Type: text/plain; charset=utf-8\r\n",
            body.size(), false);
        if (parsed.head.method != "HEAD")
            text += body;
        finish(text);
    }

    // The address the connection came to, as it is written in a URL.
    std::string ownHost() const
    {
        auto address = QHostAddress(TlsListener::addressKey(socket_->localAddress()));
        if (address.protocol() != QAbstractSocket::IPv6Protocol)
            return address.toString().toStdString();
        address.setScopeId({});
        // Joined as QStrings: g++ 12 at -O3 wrongly warns that "[" + std::string&& copies
        // overlapping memory (-Wrestrict).
        return (QLatin1Char('[') + address.toString() + QLatin1Char(']')).toStdString();
    }

    void finish(const std::string& text)
    {
        socket_->write(text.data(), static_cast<qint64>(text.size()));
        socket_->disconnectFromHost();
    }

    QSslSocket* socket_;
    LinkLimits limits_;
    std::string buffer_;
    bool done_ = false;
};

} // namespace

WebPageServer::WebPageServer(const LinkLimits& limits, const QSslConfiguration& tls)
    : limits_(limits)
{
    const QString root = QString::fromLatin1(kPageResources);
    for (QDirIterator found(root, QDir::Files, QDirIterator::Subdirectories); found.hasNext();) {
        QFile file(found.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const auto name = file.fileName().mid(root.size()); // "/app.js", "/icons/icon-192.png"
        const auto path
            = name == QLatin1String("/index.html") ? std::string("/") : name.toStdString();
        files_[path] = File { contentTypeOf(name), file.readAll() };
    }
    files_["/receiver.crt"] = File { "application/x-x509-ca-cert", tls.localCertificate().toDer() };

    auto browserLimits = limits_;
    browserLimits.maxPendingPerAddress = limits_.maxPendingPerBrowserAddress;
    listener_
        = std::make_unique<TlsListener>(browserLimits, TlsListener::ClientCertificate::NotAsked);
    auto configuration = tls;
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    listener_->setSslConfiguration(configuration);
    QObject::connect(listener_.get(), &TlsListener::pendingConnectionAvailable, this,
                     [this] { takeConnections(); });
    listener_->onPlaintext = [this](QSslSocket* socket) { new PlainRedirect(socket, limits_); };
    listener_->onEvicted = [](QObject* connection) {
        auto* socket = static_cast<QSslSocket*>(connection);
        if (auto* channel = dynamic_cast<WebSocketChannel*>(socket->parent())) {
            channel->abort("evicted to make room for newer connections");
            return;
        }
        socket->abort();
        socket->deleteLater();
    };
}

WebPageServer::~WebPageServer()
{
    close();
}

bool WebPageServer::listen(const QHostAddress& address, std::uint16_t port)
{
    if (listener_->isListening())
        return true;
    if (port == 0)
        return listener_->listen(address, 0);
    for (int attempt = 0; attempt < kPortAttempts && port + attempt <= 0xFFFF; ++attempt) {
        if (listener_->listen(address, static_cast<quint16>(port + attempt)))
            return true;
    }
    return false;
}

void WebPageServer::close()
{
    listener_->close();
    listener_->abortHandshakes();
    // Connections still reading requests; upgraded ones are their owner's.
    for (auto* socket : listener_->findChildren<QSslSocket*>(Qt::FindDirectChildrenOnly)) {
        listener_->release(socket);
        socket->abort();
        socket->deleteLater();
    }
}

bool WebPageServer::isListening() const
{
    return listener_->isListening();
}

std::uint16_t WebPageServer::serverPort() const
{
    return listener_->isListening() ? listener_->serverPort() : 0;
}

QString WebPageServer::errorString() const
{
    return listener_->errorString();
}

void WebPageServer::release(QObject* connection)
{
    listener_->release(connection);
}

int WebPageServer::pendingCount() const
{
    return listener_->pendingCount();
}

void WebPageServer::takeConnections()
{
    while (auto* socket = qobject_cast<QSslSocket*>(listener_->nextPendingConnection())) {
        // The socket stays the listener's child until its upgrade, so close() finds it.
        new PageConnection(socket, limits_, *this, *listener_);
    }
}

} // namespace kavora
