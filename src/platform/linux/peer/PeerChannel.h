#pragma once

#include "platform/linux/peer/LinkLimits.h"
#include "wire/FrameDecoder.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <string_view>

class QTcpSocket;

namespace kavora {

// One connection of the link, seen as frames: cuts what arrives into frames under the size limit
// and the frame deadline, writes frames under the write-backlog cap, and reports the end of the
// connection once, whatever ended it. A framing violation, a missed deadline or a peer that stops
// reading ends the connection. Lives on the thread of its socket (the main thread).
//
// The callbacks may close or abort the channel but must not delete it; owners use deleteLater().
class PeerChannel final : public QObject {
public:
    // Takes ownership of the connected socket. Nothing is read before start().
    PeerChannel(QTcpSocket* socket, const LinkLimits& limits, std::size_t maxPayloadBytes,
                QObject* parent = nullptr);
    ~PeerChannel() override;

    // Receives every complete frame's payload.
    std::function<void(std::string payload)> onFrame;
    // Called once when the connection has ended: reason is empty after an orderly close by either
    // side, else it says what went wrong.
    std::function<void(const std::string& reason)> onClosed;

    // Starts reading; bytes that arrived before are taken now.
    void start();
    void setMaxPayloadBytes(std::size_t maxPayloadBytes);
    // Queues one frame; false when the channel is closing or the peer has fallen too far behind
    // (which ends the connection).
    bool sendFrame(std::string_view payload);
    // Ends the connection after the queued frames are written, or after the linger deadline.
    void close();
    // Ends the connection at once.
    void abort(const std::string& reason);

    bool isOpen() const { return state_ == State::Open; }
    QTcpSocket* socket() const { return socket_; }

private:
    enum class State { Open, Closing, Closed };

    void readAvailable();
    void takeFrames();
    void finish(const std::string& reason);

    QTcpSocket* socket_;
    LinkLimits limits_;
    FrameDecoder decoder_;
    QTimer frameTimer_;
    QTimer lingerTimer_;
    State state_ = State::Open;
    bool started_ = false;
};

} // namespace kavora
