#pragma once

#include <QObject>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class QTcpSocket;

namespace kavora {

// One controller's connection as the advertiser and the session see it, whatever carries it: a
// sequence of payloads each way, and one report of its end. A link controller's frames come over
// TLS with a length before each (PeerChannel), a browser's as WebSocket text messages
// (WebSocketChannel). Lives on the main thread.
//
// The callbacks may close or abort the connection but must not delete it; owners use
// deleteLater().
class PeerConnection : public QObject {
public:
    using QObject::QObject;

    // Receives every complete payload.
    std::function<void(std::string payload)> onFrame;
    // Called once when the connection has ended: reason is empty after an orderly close by either
    // side, else it says what went wrong.
    std::function<void(const std::string& reason)> onClosed;

    // Starts reading; bytes that arrived before are taken now.
    virtual void start() = 0;
    virtual void setMaxPayloadBytes(std::size_t maxPayloadBytes) = 0;
    // Queues one payload; false when the connection is closing or the peer has fallen too far
    // behind (which ends the connection).
    virtual bool sendFrame(std::string_view payload) = 0;
    // Ends the connection after the queued payloads are written, or after the linger deadline.
    virtual void close() = 0;
    // Ends the connection at once.
    virtual void abort(const std::string& reason) = 0;
    virtual bool isOpen() const = 0;
    // The connection's socket, owned by the connection.
    virtual QTcpSocket* socket() const = 0;
};

} // namespace kavora
