// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/peer/LinkLimits.h"
#include "platform/linux/peer/PeerTransport.h"

#include <QObject>
#include <QTimer>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QTcpSocket;

namespace kavora {

// One controller's connection as the advertiser and the session see it, whatever carries it: a
// sequence of payloads each way, and one report of its end. A link controller's frames come over
// TLS with a length before each (PeerChannel), a browser's as WebSocket text messages
// (WebSocketChannel), over a PeerTransport. The socket's part is here: reading in chunks, the
// write-backlog cap, the deadline of a payload begun and not finished, the linger of a closing
// connection and the one report of the end. Lives on the main thread.
//
// The callbacks may close or abort the connection but must not delete it; owners use
// deleteLater().
class PeerConnection : public QObject {
public:
    // Takes ownership of the connected transport, and becomes the parent of its object();
    // alreadyRead holds bytes read from it before (after an upgrade request). Nothing is taken
    // before start().
    PeerConnection(std::unique_ptr<PeerTransport> transport, const LinkLimits& limits,
                   std::string alreadyRead, QObject* parent);
    // The same over a connected Qt socket.
    PeerConnection(QTcpSocket* socket, const LinkLimits& limits, std::string alreadyRead,
                   QObject* parent);
    ~PeerConnection() override;

    // Receives every complete payload, which is valid until the callback returns: it lies in
    // the connection's own buffer.
    std::function<void(std::string_view payload)> onFrame;
    // Called once when the connection has ended: reason is empty after an orderly close by either
    // side, else it says what went wrong.
    std::function<void(const std::string& reason)> onClosed;

    // Starts reading; bytes that arrived before are taken now.
    void start();
    virtual void setMaxPayloadBytes(std::size_t maxPayloadBytes) = 0;
    // Queues one payload; false when the connection is closing or the peer has fallen too far
    // behind (which ends the connection).
    virtual bool sendFrame(std::string_view payload) = 0;
    // Ends the connection after the queued payloads are written, or after the linger deadline.
    virtual void close() = 0;
    // Ends the connection at once.
    void abort(const std::string& reason);
    bool isOpen() const { return state_ == State::Open; }
    // The connection's transport, owned by the connection.
    PeerTransport& transport() const { return *transport_; }

protected:
    // Takes bytes read from the socket while the connection is open.
    virtual void take(std::string_view bytes) = 0;
    // The payload begun was not finished within the frame deadline.
    virtual void frameTimedOut() = 0;

    // Writes bytes under the write-backlog cap; false (and the connection ended) past it.
    bool write(std::string_view bytes);
    // Stops reading payloads and ends the connection once what is queued is written; the end is
    // reported with this reason.
    void beginClosing(const std::string& reason = {});
    // The deadline runs from the first byte of the payload now waiting for its rest.
    void keepFrameDeadline(bool partialPayload, bool completedOne);
    // Reports the end once.
    void finish(const std::string& reason);

private:
    enum class State { Open, Closing, Closed };

    void readAvailable();

    std::unique_ptr<PeerTransport> transport_;
    LinkLimits limits_;
    QTimer frameTimer_;
    QTimer lingerTimer_;
    State state_ = State::Open;
    std::string alreadyRead_;
    std::string readBuffer_; // reused for every read, sized once
    std::string closeReason_; // why this end closed it, when it did
};

} // namespace kavora
